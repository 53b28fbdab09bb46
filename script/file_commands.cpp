#include "script/file_commands.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "album/album_tree.h"
#include "foundation/file_handle.h"
#include "options/project_options.h"
#include "script/page_output.h"
#include "script/script_context.h"
#include "script/substitution.h"

namespace quorvane {

namespace {

std::string_view bytesOf(ChunkBuffer& buffer)
{
    const char* bytes = buffer.data();
    return bytes ? std::string_view(bytes, static_cast<std::size_t>(buffer.length())) : std::string_view();
}

// Expands a template; the name ends at its first NUL, as a path would.
// Skins were written with "\" between folders: the skin's own backslashes
// become "/", while those of substituted names stay characters of the name.
ScriptStatus expandName(ChunkBuffer& source, const ScriptContext& context, std::string& name)
{
    ChunkBuffer expanded(1024);
    const ScriptStatus status = substituteText(bytesOf(source), expanded, context, SkinBackslash::Separator);
    if (status >= 0)
        name = expanded.text();
    return status;
}

// Whether the relative path, read from a folder `depth` levels below the
// tree's top, never climbs above that top.
bool staysInside(std::string_view path, int depth)
{
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        depth += part == ".." ? -1 : 1;
        if (depth < 0)
            return false;
    }
    return true;
}

// Relative directories are "" for the root and "/A/B" below it.
int folderDepth(std::string_view relativeDirectory)
{
    return static_cast<int>(std::count(relativeDirectory.begin(), relativeDirectory.end(), '/'));
}

// Errors that say the name itself cannot be a file here, whatever the folder.
bool nameCannotExistHere(int error)
{
    return error == ENAMETOOLONG || error == EILSEQ || error == EINVAL;
}

// Records a failure of a file command in the context's errorText: the
// message naming the file and the line, then the reason, each ended by a NUL.
void describeFailure(ScriptContext& context, const char* what, const std::filesystem::path& path, int line,
                     const std::string& reason)
{
    context.errorText.appendFormat("%s <%s> at line %d", what, path.c_str(), line);
    context.errorText.append("", 1);
    context.errorText.append(reason.data(), static_cast<int>(reason.size()));
    context.errorText.append("", 1);
}

// Counts bytes against the run's output bound.
bool withinOutputBound(ScriptContext& context, std::size_t bytes, int line)
{
    context.bytesWritten += bytes;
    if (context.bytesWritten <= context.maxOutputBytes)
        return true;
    context.errorText.appendFormat("More than %llu bytes written by one script run at line %d",
                                   static_cast<unsigned long long>(context.maxOutputBytes), line);
    context.errorText.append("", 1);
    return false;
}

}  // namespace

ScriptStatus parseQuotedString(ChunkBuffer& arguments, ChunkBuffer& out, bool consume)
{
    const std::string_view text = arguments.text();
    if (text.empty() || text.front() != '"')
        return ScriptError::QuotedStringExpected;
    for (std::size_t at = 1; at < text.size(); ++at) {
        char c = text[at];
        if (c == '"') {
            if (consume)
                arguments.consumeFront(static_cast<int>(std::min<std::size_t>(at + 2, arguments.length())));
            return kScriptContinue;
        }
        if (c == '\\') {
            if (++at >= text.size())
                break;
            c = text[at] == 'n' ? '\n' : text[at];
        }
        out.append(&c, 1);
    }
    return ScriptError::QuotedStringExpected;
}

std::optional<std::filesystem::path> destinationPath(const ScriptContext& context, std::string_view relative)
{
    std::optional<std::string> path = destinationText(context, relative);
    if (!path)
        return std::nullopt;
    return std::filesystem::path(std::move(*path));
}

std::optional<std::string> destinationText(const ScriptContext& context, std::string_view relative)
{
    const AlbumDirectory* directory = context.currentDirectory;
    const std::string_view relativeDirectory = directory ? directory->relativeDirectory : std::string_view();
    if (relative.starts_with('/') || !staysInside(relative, folderDepth(relativeDirectory)))
        return std::nullopt;

    std::string base;
    if (context.options && context.options->useDestPath)
        base = context.options->outputFolder + std::string(relativeDirectory);
    else
        base = directory ? directory->fullPath : context.albumRoot;
    // An empty base must not turn the name into one below "/".
    if (base.empty())
        base = ".";
    base += '/';
    base += relative;
    return base;
}

std::optional<std::filesystem::path> skinSourcePath(const ScriptContext& context, std::string_view relative)
{
    if (relative.starts_with('/') || !staysInside(relative, 0))
        return std::nullopt;
    const std::string folder = context.skinFolder.empty() ? std::string(".") : context.skinFolder;
    const std::filesystem::path path = folder + "/" + std::string(relative);
    // A link in a downloaded skin must not reach files outside it.
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(path, error);
    if (error)
        return path;  // nothing there: opening it fails
    const std::filesystem::path skin = std::filesystem::canonical(folder, error);
    if (error)
        return std::nullopt;
    const std::filesystem::path inside = real.lexically_relative(skin);
    if (inside.empty() || *inside.begin() == "..")
        return std::nullopt;
    return path;
}

ScriptStatus CopyFromSkinCommand::parse(ScriptContext&)
{
    for (ChunkBuffer* name : {&sourceName, &destinationName}) {
        if (const ScriptStatus status = parseQuotedString(arguments, *name, true); status < 0)
            return status;
        name->append("", 1);
    }
    return kScriptContinue;
}

ScriptStatus CopyFromSkinCommand::execute(ScriptContext& context)
{
    std::string source;
    std::string destination;
    if (const ScriptStatus status = expandName(sourceName, context, source); status < 0)
        return status;
    if (const ScriptStatus status = expandName(destinationName, context, destination); status < 0)
        return status;

    const std::optional<std::filesystem::path> from = skinSourcePath(context, source);
    std::error_code error;
    if (!from || std::filesystem::is_directory(*from, error))
        return ScriptError::CannotRead;
    FileHandle input(std::fopen(from->c_str(), "rb"));
    if (!input)
        return ScriptError::CannotRead;
    const std::optional<std::filesystem::path> to = destinationPath(context, destination);
    if (!to)
        return ScriptError::CannotCreateCopy;
    int failure = 0;
    StdioFile output = createOutput(context, *to, failure);
    if (!output) {
        describeFailure(context, "Can't create copy", *to, line,
                        failure != 0 ? std::strerror(failure) : linkedFolderRefusal(to->parent_path()));
        return ScriptError::CannotCreateCopy;
    }

    if (context.writtenFiles)
        context.writtenFiles->push_back(*to);

    char block[10240];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, input.get())) > 0) {
        if (!withinOutputBound(context, got, line))
            return ScriptError::OutputTooLarge;
        if (std::fwrite(block, 1, got, output.get()) != got) {
            describeFailure(context, "Can't write copy", *to, line, std::strerror(errno));
            return ScriptError::CannotWriteFile;
        }
    }
    if (std::ferror(input.get()))
        return ScriptError::CannotRead;
    if (!closeChecked(output)) {
        describeFailure(context, "Can't write copy", *to, line, std::strerror(errno));
        return ScriptError::CannotWriteFile;
    }
    return kScriptContinue;
}

ScriptStatus TargetCommand::parse(ScriptContext&)
{
    if (const ScriptStatus status = parseQuotedString(arguments, target, true); status < 0)
        return status;
    target.append("", 1);
    return kScriptContinue;
}

ScriptStatus CreateDirCommand::execute(ScriptContext& context)
{
    std::string name;
    if (const ScriptStatus status = expandName(target, context, name); status < 0)
        return status;
    const std::optional<std::filesystem::path> path = destinationPath(context, name);
    if (!path)
        return ScriptError::CannotCreateCopy;
    // Existing or impossible folders are not the script's failure.
    std::error_code ignored;
    std::filesystem::create_directory(*path, ignored);
    return kScriptContinue;
}

ScriptStatus CreateFileCommand::execute(ScriptContext& context)
{
    std::string name;
    if (const ScriptStatus status = expandName(target, context, name); status < 0)
        return status;
    const std::optional<std::filesystem::path> path = destinationPath(context, name);
    if (context.pageOpen())
        return ScriptError::FileAlreadyOpen;
    if (!path) {
        context.errorText.appendFormat("Can't open file <%s> at line %d", name.c_str(), line);
        context.errorText.append("", 1);
        return ScriptError::CannotCreateFile;
    }
    int failure = 0;
    const bool opened = openPage(context, *path, failure);
    if (!opened && nameCannotExistHere(failure)) {
        // One picture with an impossible name must not cost the album its
        // other pages: its text is dropped and the driver reports the file.
        // The reason first: a state line is cut, and these paths are long.
        context.uncreatableFiles.push_back(std::string("Can't create file: ") + std::strerror(failure) + ": <" +
                                           path->string() + ">");
        context.discardingOutput = true;
        return kScriptContinue;
    }
    if (!opened) {
        describeFailure(context, "Can't open file", *path, line,
                        failure != 0 ? std::strerror(failure) : linkedFolderRefusal(path->parent_path()));
        return ScriptError::CannotCreateFile;
    }
    context.outputPath = path->string();
    if (context.writtenFiles)
        context.writtenFiles->push_back(*path);
    return kScriptContinue;
}

ScriptStatus WriteFileCommand::parse(ScriptContext&)
{
    ChunkBuffer decoded(1024);
    if (const ScriptStatus status = parseQuotedString(arguments, decoded, false); status < 0)
        return status;
    arguments.swap(decoded);
    return kScriptContinue;
}

ScriptStatus WriteFileCommand::execute(ScriptContext& context)
{
    ChunkBuffer expanded(1024);
    if (const ScriptStatus status = substituteText(bytesOf(arguments), expanded, context); status < 0)
        return status;
    if (!context.outputFile && !context.pendingPage)
        return context.discardingOutput ? kScriptContinue : ScriptError::NoOpenFile;
    const std::string_view bytes = bytesOf(expanded);
    if (bytes.empty())
        return kScriptContinue;
    if (!withinOutputBound(context, bytes.size(), line))
        return ScriptError::OutputTooLarge;
    if (!writePage(context, bytes)) {
        describeFailure(context, "Can't write file", context.outputPath, line, std::strerror(errno));
        return ScriptError::CannotWriteFile;
    }
    return kScriptContinue;
}

ScriptStatus CloseFileCommand::execute(ScriptContext& context)
{
    if (!context.pageOpen())
        return ScriptError::NoOpenFile;
    if (context.discardingOutput) {
        context.closeOutputFile();
        return kScriptContinue;
    }
    // A full disk often shows only when the last buffer is flushed.
    if (!closePage(context)) {
        describeFailure(context, "Can't write file", context.outputPath, line, std::strerror(errno));
        return ScriptError::CannotWriteFile;
    }
    return kScriptContinue;
}

}  // namespace quorvane
