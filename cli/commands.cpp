#include "cli/commands.h"

#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <cctype>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string_view>

#include "album/comments.h"
#include "album/directory_listing.h"
#include "album/tree_walk.h"
#include "cli/terminal_host.h"
#include "foundation/escaping.h"
#include "imaging/exif_reader.h"
#include "jobs/clean_project.h"
#include "jobs/html_generation.h"
#include "jobs/jobs.h"
#include "options/global_options.h"
#include "options/skin_parameter.h"
#include "script/exif_variables.h"
#include "script/skins.h"

namespace quorvane::cli {

namespace {

constexpr char kProgram[] = "quorvane-cli";

int failure(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", kProgram, terminalSafe(message).c_str());
    return ExitJobFailed;
}

// Splits the arguments into positional ones and recognised options; options
// that take a value consume the next argument.
struct ParsedArguments {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;

    bool has(std::string_view name) const
    {
        for (const auto& option : options) {
            if (option.first == name)
                return true;
        }
        return false;
    }
    std::vector<std::string> values(std::string_view name) const
    {
        std::vector<std::string> found;
        for (const auto& option : options) {
            if (option.first == name)
                found.push_back(option.second);
        }
        return found;
    }
};

std::optional<ParsedArguments> parseArguments(const Arguments& arguments,
                                              std::initializer_list<std::string_view> flags,
                                              std::initializer_list<std::string_view> valued,
                                              std::size_t minPositional, std::size_t maxPositional,
                                              const char* commandName)
{
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            parsed.positional.push_back(argument);
            continue;
        }
        std::string name = argument;
        std::optional<std::string> inlineValue;
        if (const std::size_t equals = argument.find('='); equals != std::string::npos) {
            name = argument.substr(0, equals);
            inlineValue = argument.substr(equals + 1);
        }
        if (std::find(flags.begin(), flags.end(), name) != flags.end() && !inlineValue) {
            parsed.options.emplace_back(name, "");
        } else if (std::find(valued.begin(), valued.end(), name) != valued.end()) {
            if (!inlineValue) {
                if (i + 1 >= arguments.size()) {
                    usageError(name + " needs a value");
                    return std::nullopt;
                }
                inlineValue = arguments[++i];
            }
            parsed.options.emplace_back(name, *inlineValue);
        } else {
            usageError(std::string("unknown option ") + argument + " for " + commandName);
            return std::nullopt;
        }
    }
    if (parsed.positional.size() < minPositional || parsed.positional.size() > maxPositional) {
        usageError(std::string("wrong number of arguments for ") + commandName + " (see " + kProgram +
                   " " + commandName + " --help)");
        return std::nullopt;
    }
    return parsed;
}

std::string damagedOptionsRefusal(const std::filesystem::path& path, const std::string& damage)
{
    return path.string() + " could not be read completely (" + damage +
           "); it was left as it is: repair it, or remove it and run '" + kProgram + " init'";
}

bool isDirectory(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// The state every album command starts from: the scan job run on ROOT, as
// the desktop program's "Scan" does it.
struct Session {
    TerminalHost host;
    StatusLog log{&host};
    GlobalOptions globalOptions;
    Project project;

    // ExitOk when ROOT was scanned into an album.
    int scan(const std::string& root)
    {
        if (!isDirectory(root) || ::access(root.c_str(), R_OK | X_OK) != 0)
            return failure("cannot read the album root " + root);
        globalOptions.load(globalOptionsPath());
        runScanJob(project, root, globalOptions, log, host);
        if (project.optionsDamaged)
            return failure(damagedOptionsRefusal(project.optionsPath(), project.optionsDamage));
        if (!project.root)
            return failure("no pictures or movies found in " + root);
        return ExitOk;
    }

    // The generation commands need options read from the file.
    int requireOptions() const
    {
        if (project.optionsValid())
            return ExitOk;
        return failure("this album has no " + std::string(kProjectOptionsFileName) +
                       " yet: create it with '" + kProgram + " init " + project.rootPath + "'");
    }
};


// Parses the arguments, scans ROOT (the first positional argument) as the
// desktop program's "Scan" does, then runs the command on the album.
template <class Body>
int onScannedAlbum(const Arguments& arguments, std::initializer_list<std::string_view> flags,
                   std::initializer_list<std::string_view> valued, std::size_t maxPositional,
                   const char* commandName, Body body)
{
    const auto parsed = parseArguments(arguments, flags, valued, 1, maxPositional, commandName);
    if (!parsed)
        return ExitUsage;
    Session session;
    if (const int status = session.scan(parsed->positional[0]); status != ExitOk)
        return status;
    return body(*parsed, session);
}

int runInit(const Arguments& arguments)
{
    const auto parsed = parseArguments(arguments, {}, {"--skin", "--set"}, 1, 1, "init");
    if (!parsed)
        return ExitUsage;
    const std::string& root = parsed->positional[0];
    if (!isDirectory(root))
        return usageError("not a directory: " + root);

    Project project;
    project.rootPath = root;
    ProjectOptions options;
    std::string damage;
    if (options.read(project.optionsPath(), damage) == ProjectOptions::FileState::Damaged)
        return failure(damagedOptionsRefusal(project.optionsPath(), damage));
    for (const std::string& warning : options.loadWarnings)
        std::fprintf(stderr, "Warning: %s: %s\n", kProjectOptionsFileName, warning.c_str());

    const std::vector<std::string> installed = availableSkins();
    const std::vector<std::string> skinChoice = parsed->values("--skin");
    if (!skinChoice.empty()) {
        if (!isPlainSkinName(skinChoice.back()))
            return usageError(badSkinNameMessage(skinChoice.back()));
        if (std::find(installed.begin(), installed.end(), skinChoice.back()) == installed.end())
            return usageError("no skin named '" + skinChoice.back() + "' in " +
                              skinsFolder(skinChoice.back()).string());
        options.skinName = skinChoice.back();
    } else if (std::find(installed.begin(), installed.end(), options.skinName) == installed.end() &&
               !installed.empty()) {
        // As the options dialog does, an unknown skin gives way to the first one.
        options.skinName = installed.front();
    }

    for (const std::string& setting : parsed->values("--set")) {
        const std::size_t equals = setting.find('=');
        if (equals == std::string::npos)
            return usageError("--set takes ELEMENT=VALUE, not '" + setting + "'");
        std::string message;
        if (!setOptionByElementName(options, setting.substr(0, equals), setting.substr(equals + 1), message))
            return usageError(message);
    }
    if (const auto refusal = checkCompositeLimit(options))
        return usageError(*refusal);

    if (options.useDestPath) {
        if (generatesThumbnailsOnly(options))
            std::fprintf(stderr, "Warning: %s\n", kThumbnailsOnlyQuestion);
        if (!isAbsoluteDestination(options.outputFolder)) {
            usageError(kAbsoluteDestinationError);
            std::fprintf(stderr, "(give --set OutputFolder=/absolute/path, or --set UseDestPath=0 to "
                                 "generate inside the album)\n");
            return ExitUsage;
        }
    }
    options.loaded = 1;
    if (!options.save(project.optionsPath()))
        return failure("cannot write " + project.optionsPath().string());
    std::printf("%s\n", project.optionsPath().c_str());
    return ExitOk;
}


void appendJsonString(std::string& out, std::string_view text)
{
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

// One directory's members up to its list of subdirectories, which the walk
// fills in; nested objects are indented two levels deeper than their parent.
void openJsonDirectory(std::string& out, AlbumDirectory& directory, int depth)
{
    const std::string indent(static_cast<std::size_t>(depth) * 4, ' ');
    if (depth > 0)
        out += List<AlbumDirectory>::prev(directory) ? ",\n" : "\n";
    out += indent + "{\n" + indent + "  \"name\": ";
    appendJsonString(out, directory.name);
    out += ",\n" + indent + "  \"fullPath\": ";
    appendJsonString(out, directory.fullPath);
    out += ",\n" + indent + "  \"relativeDirectory\": ";
    appendJsonString(out, directory.relativeDirectory);
    out += ",\n" + indent + "  \"mediaCount\": " + std::to_string(directory.mediaCount);
    out += ",\n" + indent + "  \"comment\": ";
    appendJsonString(out, directory.commentText());
    out += ",\n" + indent + "  \"files\": [";
    bool first = true;
    for (AlbumPicture& file : directory.files) {
        out += first ? "\n" : ",\n";
        first = false;
        out += indent + "    {\"fileName\": ";
        appendJsonString(out, file.fileName);
        out += ", \"mediaKind\": " + std::to_string(file.mediaKind) + ", \"comment\": ";
        appendJsonString(out, file.commentText());
        out += "}";
    }
    out += first ? "]" : "\n" + indent + "  ]";
    out += ",\n" + indent + "  \"subdirectories\": [";
}

void closeJsonDirectory(std::string& out, AlbumDirectory& directory, int depth)
{
    const std::string indent(static_cast<std::size_t>(depth) * 4, ' ');
    out += directory.subdirectories.first() ? "\n" + indent + "  ]" : "]";
    out += "\n" + indent + "}";
}

std::string albumJson(AlbumDirectory& root)
{
    std::string json;
    walkDirectories(root, {[&json](AlbumDirectory& directory, int depth) {
                               openJsonDirectory(json, directory, depth);
                               return WalkStep::Continue;
                           },
                           [&json](AlbumDirectory& directory, int depth) {
                               closeJsonDirectory(json, directory, depth);
                           }});
    return json;
}

void printComment(std::string_view comment)
{
    if (comment.empty())
        return;
    std::string oneLine(comment);
    for (char& c : oneLine) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    std::printf("  -- %s", terminalSafe(oneLine).c_str());
}

void printListing(AlbumDirectory& root)
{
    walkDirectories(root, {[](AlbumDirectory& directory, int depth) {
                               const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
                               // Names and comments come from anyone: no control byte reaches the terminal.
                               std::printf("%s%s/ (%d)", indent.c_str(), terminalSafe(directory.name).c_str(),
                                           directory.mediaCount);
                               printComment(directory.commentText());
                               std::printf("\n");
                               for (AlbumPicture& file : directory.files) {
                                   std::printf("%s  %s%s", indent.c_str(), terminalSafe(file.fileName).c_str(),
                                               file.mediaKind == MediaMovie ? " [movie]" : "");
                                   printComment(file.commentText());
                                   std::printf("\n");
                               }
                               return WalkStep::Continue;
                           },
                           {}});
}

int runScan(const Arguments& arguments)
{
    return onScannedAlbum(arguments, {"--json"}, {}, 1, "scan", [](const ParsedArguments& parsed, Session& session) {
        if (parsed.has("--json")) {
            std::printf("%s\n", albumJson(*session.project.root).c_str());
        } else {
            printListing(*session.project.root);
        }
        return int(ExitOk);
    });
}


int thumbnails(Session& session, bool force)
{
    if (const int status = session.requireOptions(); status != ExitOk)
        return status;
    const int unreadable = runThumbnailJob(session.project, force, session.log, session.host);
    return unreadable > 0 ? ExitJobFailed : ExitOk;
}

int pages(Session& session)
{
    if (const int status = session.requireOptions(); status != ExitOk)
        return status;
    return runHtmlJob(session.project, session.log, session.host) ? ExitOk : ExitJobFailed;
}

int runThumbs(const Arguments& arguments)
{
    return onScannedAlbum(arguments, {"--force"}, {}, 1, "thumbs",
                          [](const ParsedArguments& parsed, Session& session) {
                              return thumbnails(session, parsed.has("--force"));
                          });
}

int runHtml(const Arguments& arguments)
{
    return onScannedAlbum(arguments, {}, {}, 1, "html",
                          [](const ParsedArguments&, Session& session) { return pages(session); });
}

int buildAlbum(const ParsedArguments& parsed, Session& session)
{
    if (const int status = session.requireOptions(); status != ExitOk)
        return status;
    // Pages are worth making even when a picture could not be read.
    const int thumbs = thumbnails(session, parsed.has("--force"));
    const int html = pages(session);
    if (html == ExitOk && thumbs == ExitOk) {
        std::error_code error;
        const ProjectOptions& options = *session.project.options;
        const std::filesystem::path output =
            options.useDestPath ? std::filesystem::path(options.outputFolder)
                                : std::filesystem::path(session.project.rootPath);
        const std::filesystem::path index = std::filesystem::absolute(output / "index.html", error);
        if (std::filesystem::exists(index, error))
            std::printf("%s\n", index.c_str());
    }
    return html != ExitOk ? html : thumbs;
}


int runBuild(const Arguments& arguments)
{
    return onScannedAlbum(arguments, {"--force"}, {}, 1, "build", buildAlbum);
}

// The node named by a path relative to the album root, or none.
AlbumNode* findNode(AlbumDirectory& root, std::string_view relativePath)
{
    AlbumDirectory* directory = &root;
    std::size_t at = 0;
    while (at < relativePath.size()) {
        std::size_t slash = relativePath.find('/', at);
        if (slash == std::string_view::npos)
            slash = relativePath.size();
        const std::string_view part = relativePath.substr(at, slash - at);
        at = slash + 1;
        if (part.empty() || part == ".")
            continue;
        const bool last = at >= relativePath.size() ||
                          relativePath.find_first_not_of("/", at) == std::string_view::npos;
        AlbumDirectory* next = nullptr;
        for (AlbumDirectory& child : directory->subdirectories) {
            if (child.name == part)
                next = &child;
        }
        if (next) {
            directory = next;
            continue;
        }
        if (!last)
            return nullptr;
        for (AlbumPicture& file : directory->files) {
            if (file.fileName == part)
                return &file;
        }
        return nullptr;
    }
    return directory;
}

// A comment file larger than this is refused rather than read.
constexpr std::size_t kMaxCommentFileSize = 1u << 20;

// Reads at most kMaxCommentFileSize bytes; false when there were more.
bool readBounded(std::istream& in, std::string& text)
{
    text.resize(kMaxCommentFileSize + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text.size() <= kMaxCommentFileSize;
}

int runComment(const Arguments& arguments)
{
    const auto parsed = parseArguments(arguments, {}, {"--file"}, 2, 3, "comment");
    if (!parsed)
        return ExitUsage;
    const bool fromFile = parsed->has("--file");
    if (fromFile == (parsed->positional.size() == 3))
        return usageError("give the comment either as TEXT or with --file FILE");

    std::string text;
    if (fromFile) {
        const std::string file = parsed->values("--file").back();
        std::ifstream in;
        if (file != "-") {
            in.open(file, std::ios::binary);
            if (!in)
                return usageError("cannot read " + file);
        }
        if (!readBounded(file == "-" ? std::cin : in, text))
            return usageError(file + " is larger than 1 MiB; a comment holds at most " +
                              std::to_string(kMaxCommentLength) + " bytes");
    } else {
        text = parsed->positional[2];
    }
    if (cutUtf8(text, kMaxCommentLength).size() < text.size())
        return usageError("the comment is longer than " + std::to_string(kMaxCommentLength) +
                          " bytes, the most a comment holds");

    Session session;
    if (const int status = session.scan(parsed->positional[0]); status != ExitOk)
        return status;
    const std::string& relativePath = parsed->positional[1];
    AlbumNode* node = findNode(*session.project.root, relativePath);
    if (!node)
        return usageError("'" + relativePath + "' is not a picture, movie or folder of the album");
    node->setComment(text);
    session.project.commentsModified = true;
    return runSaveCommentsJob(session.project, session.log, session.host) ? ExitOk : ExitJobFailed;
}

int orphanedComments(const ParsedArguments& parsed, Session& session)
{
    if (parsed.has("--orphans") == parsed.has("--prune"))
        return usageError("give either --orphans or --prune");
    AlbumDirectory& root = *session.project.root;
    if (parsed.has("--orphans")) {
        for (const OrphanedComment& orphan : findOrphanedComments(root)) {
            std::string path = orphan.relativeDirectory.empty() ? std::string()
                                                                : orphan.relativeDirectory.substr(1);
            if (!orphan.name.empty())
                path = path.empty() ? orphan.name : path + "/" + orphan.name;
            // Control bytes (tabs and line ends too) as \xHH keep one comment a line.
            std::printf("%s\t%s\t%s\n", terminalSafe(orphan.kind).c_str(),
                        terminalSafe(path.empty() ? "." : path).c_str(), terminalSafe(orphan.comment).c_str());
        }
        return ExitOk;
    }
    session.log.postStatus("Saving comments");
    const CommentsSaveResult result = saveComments(root, root.name, OrphanedComments::Drop);
    if (!reportCommentsSaveFailures(result, session.log))
        return ExitJobFailed;
    session.log.postStatus("%d orphaned comment(s) dropped", result.orphansDropped);
    return ExitOk;
}

int runComments(const Arguments& arguments)
{
    return onScannedAlbum(arguments, {"--orphans", "--prune"}, {}, 1, "comments", orphanedComments);
}

int cleanAlbum(const ParsedArguments& parsed, Session& session)
{
    if (!session.project.options)
        return ExitOk;
    if (session.project.options->useDestPath) {
        session.host.showMessage("Information", kDestinationFolderCleanRefusal, MessageIcon::Information);
        return ExitJobFailed;
    }
    CleanSelection selection;
    selection.html = parsed.has("--html");
    selection.comments = parsed.has("--comments");
    selection.thumbnails = parsed.has("--thumbs");
    selection.intermediates = parsed.has("--intermediates");
    if (!selection.any()) {
        session.host.showMessage("Warning", "Nothing to clean", MessageIcon::Warning);
        return ExitUsage;
    }
    const CleanResult result = runCleanJob(*session.project.root, selection);
    std::fprintf(stderr, "Complete: %d file(s) deleted", result.deleted);
    if (result.failed > 0)
        std::fprintf(stderr, ", %d could not be deleted", result.failed);
    std::fprintf(stderr, "\n");
    return result.failed > 0 ? ExitJobFailed : ExitOk;
}

int runClean(const Arguments& arguments)
{
    return onScannedAlbum(arguments, {"--html", "--comments", "--thumbs", "--intermediates"}, {}, 1, "clean",
                          cleanAlbum);
}


int runExif(const Arguments& arguments)
{
    const auto parsed = parseArguments(arguments, {}, {}, 1, 1, "exif");
    if (!parsed)
        return ExitUsage;
    const std::filesystem::path path = parsed->positional[0];
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error) || ::access(path.c_str(), R_OK) != 0)
        return usageError("cannot read " + path.string());
    AlbumPicture picture(path.filename().string(), path.parent_path().empty() ? "." : path.parent_path().string(),
                         "");
    collectExifVariables(picture);
    for (const ScriptVariable& variable : picture.exifVariables)
        std::printf("%s\t%d\t%s\n", terminalSafe(variable.name()).c_str(), variable.type(),
                    terminalSafe(variable.valueText()).c_str());
    return ExitOk;
}

int editSkinParams(const ParsedArguments& parsed, Session& session)
{
    if (!session.project.options)
        return failure("no project options");
    ProjectOptions& options = *session.project.options;

    if (parsed.has("--default")) {
        options.skinPrefs.clear();
    } else {
        const SkinPrefsResult reconciled = reconcileSkinPrefs(options, skinsFolder(options.skinName), options.skinName);
        if (!reconciled.ok) {
            session.host.showMessage("Parser error", reconciled.message, MessageIcon::Error);
            return ExitJobFailed;
        }
        for (const std::string& setting : parsed.values("--set")) {
            const std::size_t equals = setting.find('=');
            if (equals == std::string::npos)
                return usageError("--set takes NAME=VALUE, not '" + setting + "'");
            const std::string name = setting.substr(0, equals);
            const std::string value = setting.substr(equals + 1);
            ScriptVariable* variable = findVariable(options.skinPrefs, name);
            if (!variable)
                return usageError("the skin '" + options.skinName + "' has no parameter " + name);
            if (const auto problem = setSkinParameter(*variable, value))
                return usageError(*problem);
        }
    }
    if (!options.save(session.project.optionsPath()))
        return failure("cannot write " + session.project.optionsPath().string());
    for (const ScriptVariable& variable : options.skinPrefs)
        std::printf("%s\t%d\t%s\n", terminalSafe(variable.name()).c_str(), variable.type(),
                    terminalSafe(variable.valueText()).c_str());
    return ExitOk;
}

int runSkinParams(const Arguments& arguments)
{
    return onScannedAlbum(arguments, {"--default"}, {"--set"}, 1, "skin-params", editSkinParams);
}

}  // namespace

int usageError(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", kProgram, terminalSafe(message).c_str());
    return ExitUsage;
}

const std::vector<Command>& commands()
{
    static const std::vector<Command> table = {
        {"init", "ROOT [--skin NAME] [--set ELEMENT=VALUE]...",
         "create or update ROOT/ProjectOptions.xml",
         "Creates ROOT/ProjectOptions.xml, or updates it, as confirming the Project Options\n"
         "dialog does. ELEMENT is an element name of that file (ThumbWidth, SortMethod,\n"
         "UseDestPath, OutputFolder, ParseExif, ...). With UseDestPath=1 the OutputFolder\n"
         "must be an absolute path. Without --skin the first installed skin is chosen\n"
         "unless the file names an installed one.\n",
         runInit},
        {"scan", "ROOT [--json]", "scan ROOT and list its album tree",
         "Runs the scan job on ROOT and lists the album tree on standard output: indented\n"
         "text, or JSON with --json.\n",
         runScan},
        {"thumbs", "ROOT [--force]", "make thumbnails, intermediate images and folder thumbnails",
         "Scans ROOT, then makes the missing thumbnails and intermediate images (all of\n"
         "them with --force) and every folder thumbnail.\n",
         runThumbs},
        {"html", "ROOT", "write the pages with the project's skin",
         "Scans ROOT, then writes the album's pages with the project's skin.\n", runHtml},
        {"build", "ROOT [--force]", "scan, thumbnails and pages: the whole album",
         "Scans ROOT, makes the pictures and writes the pages; prints the path of the\n"
         "album's index page.\n",
         runBuild},
        {"comment", "ROOT RELPATH (TEXT | --file FILE)", "set a comment and save the comments files",
         "Sets the comment of the picture, movie or folder at RELPATH (relative to ROOT;\n"
         "\".\" is the album root itself), then saves the comments files as \"Save Comments\"\n"
         "does. FILE - reads standard input; a comment holds at most 10239 bytes.\n",
         runComment},
        {"comments", "ROOT (--orphans | --prune)", "list or drop comments of entries the scan does not list",
         "Comments of pictures and folders that the scan does not list (moved away, not\n"
         "readable, names it skips) are kept in the comments files. --orphans lists them,\n"
         "one a line: element (Photo, Dir or Folder), path relative to ROOT, comment, separated\n"
         "by tabs, with control bytes shown as \\xHH. --prune drops them.\n",
         runComments},
        {"clean", "ROOT [--html] [--comments] [--thumbs] [--intermediates]",
         "delete generated files of a project without destination folder",
         "Deletes the chosen kinds of generated files from every folder of the album, as\n"
         "Clean Project does. Projects that use a destination folder are refused.\n",
         runClean},
        {"exif", "FILE", "list the Exif variables of a picture",
         "Prints one line per Exif variable of FILE: name, tab, type code, tab, value.\n", runExif},
        {"skin-params", "ROOT [--set NAME=VALUE]... [--default]",
         "list or change the skin parameters of a project",
         "Brings the project's skin parameters in line with its skin, applies the --set\n"
         "values (colours as six hexadecimal digits), saves ProjectOptions.xml and lists\n"
         "name, type and value. --default forgets every stored value, so the skin's own\n"
         "defaults apply again.\n",
         runSkinParams},
    };
    return table;
}

}  // namespace quorvane::cli
