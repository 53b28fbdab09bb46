#include "script/loop_commands.h"

#include <string>

#include "album/album_tree.h"
#include "imaging/exif_display.h"
#include "imaging/exif_reader.h"
#include "album/generated_names.h"
#include "options/project_options.h"
#include "script/exif_variables.h"
#include "script/generated_file_variables.h"
#include "script/movie_variables.h"
#include "script/script_context.h"

namespace quorvane {

namespace {

void bindText(ScriptContext& context, std::string_view name, std::string_view text)
{
    context.getOrCreateVariable(VarString, name)->setText(text);
}

std::string_view fileNameOf(const AlbumPicture* picture)
{
    return picture ? std::string_view(picture->fileName) : std::string_view();
}

}  // namespace

ScriptStatus LoopCommand::parse(ScriptContext& context)
{
    outerLoop = context.loopStack;
    context.loopStack = this;
    return kScriptContinue;
}

ScriptStatus LoopCommand::execute(ScriptContext& context)
{
    if (!active) {
        active = context.currentDirectory && start(*context.currentDirectory);
        if (!active) {
            if (!closing)
                return ScriptError::UnclosedIf;
            jumpTarget = CommandList::next(*closing);
            return kScriptJump;
        }
        outerLoop = context.loopStack;
        context.loopStack = this;
    }
    return bind(context);
}

bool ForEachImageCommand::start(const AlbumDirectory& directory)
{
    previous = nullptr;
    current = directory.firstPicture();
    highDensityNames = current ? highDensityNamesOf(directory) : nullptr;
    return current != nullptr;
}

bool ForEachImageCommand::advance()
{
    previous = current;
    current = current ? AlbumDirectory::nextPicture(*current) : nullptr;
    active = current != nullptr;
    return active;
}

ScriptStatus ForEachImageCommand::bind(ScriptContext& context)
{
    if (context.parseExifEnabled)
        fillExifVariables(context, *current);
    bindText(context, "ImageName", current->fileName);
    bindText(context, "PrevImageName", fileNameOf(previous));
    bindText(context, "NextImageName", fileNameOf(AlbumDirectory::nextPicture(*current)));
    const AlbumPicture* next = AlbumDirectory::nextPicture(*current);
    bindText(context, "NextImageInterName", next ? intermediateName(next->fileName) : std::string());
    bindText(context, "ImageComment", current->commentText());
    bindGeneratedFileVariables(context, *current, highDensityNames.get());
    return kScriptContinue;
}

bool ForEachMovieCommand::start(const AlbumDirectory& directory)
{
    previous = nullptr;
    current = directory.firstMovie();
    return current != nullptr;
}

bool ForEachMovieCommand::advance()
{
    previous = current;
    current = current ? AlbumDirectory::nextMovie(*current) : nullptr;
    active = current != nullptr;
    return active;
}

ScriptStatus ForEachMovieCommand::bind(ScriptContext& context)
{
    bindText(context, "MovieName", current->fileName);
    bindText(context, "MovieComment", current->commentText());
    // Older skins never see these, so their pages stay as they were.
    if (context.options && context.options->todaysFormats) {
        bindText(context, "PrevMovieName", fileNameOf(previous));
        bindText(context, "NextMovieName", fileNameOf(AlbumDirectory::nextMovie(*current)));
        bindMovieVariables(context, *current);
    }
    return kScriptContinue;
}

bool ForEachDirCommand::start(const AlbumDirectory& directory)
{
    current = directory.subdirectories.first();
    highDensityNames = current ? highDensityNamesOf(directory) : nullptr;
    return current != nullptr;
}

bool ForEachDirCommand::advance()
{
    current = current ? List<AlbumDirectory>::next(*current) : nullptr;
    active = current != nullptr;
    return active;
}

ScriptStatus ForEachDirCommand::bind(ScriptContext& context)
{
    bindText(context, "SubDirectoryName", current->name);
    bindText(context, "SubDirectoryComment", current->commentText());
    bindDirectoryThumbnailVariables(context, *current, highDensityNames.get());
    return kScriptContinue;
}

ScriptStatus EndForCommand::parse(ScriptContext& context)
{
    LoopCommand* loop = context.loopStack;
    if (!loop)
        return ScriptError::NoOpenLoop;
    loop->closing = this;
    context.loopStack = loop->outerLoop;
    return kScriptContinue;
}

ScriptStatus EndForCommand::execute(ScriptContext& context)
{
    LoopCommand* loop = context.loopStack;
    if (!loop)
        return ScriptError::NoOpenLoop;
    if (loop->advance()) {
        // Nested loops multiply: forty of them over two pictures would run
        // for ever without this bound.
        if (++context.loopIterations > context.maxLoopIterations) {
            context.errorText.appendFormat("More than %llu loop iterations at line %d",
                                           static_cast<unsigned long long>(context.maxLoopIterations), line);
            context.errorText.append("", 1);
            return ScriptError::TooManyIterations;
        }
        jumpTarget = loop;
        return kScriptJump;
    }
    context.loopStack = loop->outerLoop;
    return kScriptContinue;
}

void fillExifVariables(ScriptContext& context, AlbumPicture& picture)
{
    collectExifVariables(picture);
    // Every named tag exists without value, so a tag this picture lacks does
    // not show the previous picture's value.
    for (const std::uint16_t tag : exifTagList()) {
        if (const char* name = exifTagName(tag))
            context.getOrCreateVariable(VarNone, std::string("Exif_") + name)->clearValue();
    }
    for (const std::string_view name : exifDisplayTags())
        context.getOrCreateVariable(VarNone, "ExifText_" + std::string(name))->clearValue();
    for (const ScriptVariable& found : picture.exifVariables) {
        ScriptVariable* variable = context.findVariable(found.name());
        if (!variable)
            continue;
        variable->setType(found.type());
        if (found.type() == VarString)
            variable->setText(found.text());
        else
            variable->setInt(found.intValue());
    }
    picture.exifVariables.clear();
}

}  // namespace quorvane
