#include "script/generated_file_variables.h"

#include <filesystem>
#include <string>

#include "album/album_tree.h"
#include "album/generated_names.h"
#include "imaging/jpeg_io.h"
#include "options/project_options.h"
#include "script/file_commands.h"
#include "script/script_context.h"

namespace quorvane {

namespace {

// The generated file of that name where the pages are written, when it is there.
std::optional<std::filesystem::path> existingGenerated(const ScriptContext& context, const std::string& name)
{
    std::optional<std::filesystem::path> path = destinationPath(context, name);
    std::error_code error;
    if (path && std::filesystem::is_regular_file(*path, error))
        return path;
    return std::nullopt;
}

void bindSize(ScriptContext& context, const std::string& name, const char* widthName, const char* heightName)
{
    ScriptVariable* width = context.getOrCreateVariable(VarNone, widthName);
    ScriptVariable* height = context.getOrCreateVariable(VarNone, heightName);
    width->clearValue();
    height->clearValue();
    const std::optional<std::filesystem::path> path = existingGenerated(context, name);
    JpegRowReader header;
    if (!path || !header.open(path->string()))
        return;
    width->setType(VarInt);
    width->setInt(static_cast<int>(header.width));
    height->setType(VarInt);
    height->setInt(static_cast<int>(header.height));
}

// The twice-size name where the project makes such files, the name is the
// picture's own and the file exists; empty otherwise.
std::string twiceSizeName(const ScriptContext& context, const std::string& name, bool allowed)
{
    if (!allowed || !context.options || !context.options->highDensity)
        return {};
    std::string twice = highDensityName(name);
    return existingGenerated(context, twice) ? twice : std::string();
}

}  // namespace

std::shared_ptr<const HighDensityNames> highDensityNamesOf(const AlbumDirectory& directory)
{
    return std::make_shared<const HighDensityNames>(directory);
}

void bindGeneratedFileVariables(ScriptContext& context, const AlbumPicture& picture, const HighDensityNames* names)
{
    const std::string thumbnail = thumbnailName(picture.fileName);
    const std::string intermediate = intermediateName(picture.fileName);
    const bool allowed = !names || names->allowed(picture);
    context.getOrCreateVariable(VarString, "ImageThumbName")->setText(thumbnail);
    context.getOrCreateVariable(VarString, "ImageInterName")->setText(intermediate);
    context.getOrCreateVariable(VarString, "ImageThumb2xName")->setText(twiceSizeName(context, thumbnail, allowed));
    context.getOrCreateVariable(VarString, "ImageInter2xName")->setText(twiceSizeName(context, intermediate, allowed));
    bindSize(context, thumbnail, "ImageThumbWidth", "ImageThumbHeight");
    bindSize(context, intermediate, "ImageInterWidth", "ImageInterHeight");
}

void bindDirectoryThumbnailVariables(ScriptContext& context, const AlbumDirectory& subdirectory,
                                     const HighDensityNames* names)
{
    const std::string thumbnail = directoryThumbnailName(subdirectory.name);
    context.getOrCreateVariable(VarString, "SubDirThumbName")->setText(thumbnail);
    context.getOrCreateVariable(VarString, "SubDirThumb2xName")
        ->setText(twiceSizeName(context, thumbnail, !names || names->allowed(subdirectory)));
}

}  // namespace quorvane
