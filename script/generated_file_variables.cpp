#include "script/generated_file_variables.h"

#include <filesystem>
#include <string>
#include <string_view>

#include "album/album_tree.h"
#include "album/generated_names.h"
#include "imaging/picture_format.h"
#include "options/project_options.h"
#include "script/file_commands.h"
#include "script/script_context.h"

namespace quorvane {

namespace {

// The generated file of that name where the pages are written, when it is there.
std::optional<std::string> existingGenerated(ScriptContext& context, const std::string& name)
{
    std::optional<std::string> path = destinationText(context, name);
    if (path && context.runCache.isRegularFile(*path))
        return path;
    return std::nullopt;
}

void bindSize(ScriptContext& context, const std::string& name, bool named, const char* widthName,
              const char* heightName)
{
    ScriptVariable* width = context.getOrCreateVariable(VarNone, widthName);
    ScriptVariable* height = context.getOrCreateVariable(VarNone, heightName);
    width->clearValue();
    height->clearValue();
    const std::optional<std::string> path = named ? existingGenerated(context, name) : std::nullopt;
    const auto size = path ? context.runCache.jpegSize(*path) : std::nullopt;
    if (!size)
        return;
    width->setType(VarInt);
    width->setInt(static_cast<int>(size->first));
    height->setType(VarInt);
    height->setInt(static_cast<int>(size->second));
}

// The twice-size name where the project makes such files, the name is the
// picture's own and the file exists; empty otherwise.
std::string twiceSizeName(ScriptContext& context, const std::string& name, bool allowed)
{
    if (!allowed || !context.options || !context.options->highDensity)
        return {};
    std::string twice = highDensityName(name);
    return existingGenerated(context, twice) ? twice : std::string();
}

// A file name as a URL path segment: everything but unreserved characters
// percent-encoded, so it can stand in a srcset (where a space or comma would
// end it) and needs no HTML escaping.
std::string urlSegment(std::string_view name)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

// "a.jpg 1x, a@2x.jpg 2x" for srcset, or empty without a twice-size file.
std::string srcset(const std::string& name, const std::string& twice)
{
    return twice.empty() ? std::string() : urlSegment(name) + " 1x, " + urlSegment(twice) + " 2x";
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
    const std::string thumbnail2x = twiceSizeName(context, thumbnail, allowed && context.named.thumb2x);
    const std::string intermediate2x = twiceSizeName(context, intermediate, allowed && context.named.inter2x);
    context.getOrCreateVariable(VarString, "ImageThumb2xName")->setText(thumbnail2x);
    context.getOrCreateVariable(VarString, "ImageInter2xName")->setText(intermediate2x);
    context.getOrCreateVariable(VarString, "ImageThumbSrcset")->setText(srcset(thumbnail, thumbnail2x));
    context.getOrCreateVariable(VarString, "ImageInterSrcset")->setText(srcset(intermediate, intermediate2x));
    // HEIC and HEIF pictures are shown by hardly any browser: pages show
    // their intermediate image and offer the original for download.
    context.getOrCreateVariable(VarInt, "ImageViewable")
        ->setInt(browsersShow(picture.fileName) ? 1 : 0);
    bindSize(context, thumbnail, context.named.thumbSize, "ImageThumbWidth", "ImageThumbHeight");
    bindSize(context, intermediate, context.named.interSize, "ImageInterWidth", "ImageInterHeight");
}

void bindDirectoryThumbnailVariables(ScriptContext& context, const AlbumDirectory& subdirectory,
                                     const HighDensityNames* names)
{
    const std::string thumbnail = directoryThumbnailName(subdirectory.name);
    context.getOrCreateVariable(VarString, "SubDirThumbName")->setText(thumbnail);
    const std::string twice =
        twiceSizeName(context, thumbnail, context.named.subDir2x && (!names || names->allowed(subdirectory)));
    context.getOrCreateVariable(VarString, "SubDirThumb2xName")->setText(twice);
    context.getOrCreateVariable(VarString, "SubDirThumbSrcset")->setText(srcset(thumbnail, twice));
}

}  // namespace quorvane
