#include "cli/commands.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string_view>

#include "album/comments.h"
#include "album/directory_listing.h"
#include "album/tree_walk.h"
#include "cli/listing.h"
#include "cli/password_prompt.h"
#include "cli/session.h"
#include "foundation/escaping.h"
#include "imaging/exif_reader.h"
#include "jobs/clean_project.h"
#include "jobs/html_generation.h"
#include "jobs/jobs.h"
#include "jobs/upload_job.h"
#include "options/skin_parameter.h"
#include "script/exif_variables.h"
#include "script/skins.h"

namespace quorvane::cli {

namespace {

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

// The password for the upload: QUORVANE_FTP_PASSWORD, else the project's
// (stored for its server and login), else asked on the terminal.
std::optional<std::string> uploadPassword(const ProjectOptions& options)
{
    if (const char* fromEnvironment = std::getenv("QUORVANE_FTP_PASSWORD"))
        return std::string(fromEnvironment);
    if (!options.ftpPassword.empty() || options.ftpLogin.empty() || ::isatty(STDIN_FILENO) == 0)
        return std::nullopt;
    return askPassword("Password for " + options.ftpLogin + " at " + options.ftpServerName + ": ");
}

int publishAlbum(const ParsedArguments& parsed, Session& session)
{
    if (const int status = session.requireOptions(); status != ExitOk)
        return status;
    UploadRequest request;
    request.dryRun = parsed.has("--dry-run");
    request.removal = parsed.has("--delete") ? RemovalMode::Remove : RemovalMode::Keep;
    if (!request.dryRun)
        request.password = uploadPassword(*session.project.options);
    const UploadSummary summary = runUploadJob(session.project, request, session.log, session.host);
    if (!summary.ok)
        return ExitJobFailed;
    if (request.dryRun) {
        for (const std::string& path : summary.toSend)
            std::printf("send %s\n", terminalSafe(path).c_str());
        for (const std::string& path : summary.toRemove)
            std::printf("%s %s\n", parsed.has("--delete") ? "remove" : "keep", terminalSafe(path).c_str());
    }
    return ExitOk;
}

int runPublish(const Arguments& arguments)
{
    return onScannedAlbum(arguments, {"--dry-run", "--delete"}, {}, 1, "publish", publishAlbum);
}

}  // namespace

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
        {"publish", "ROOT [--dry-run] [--delete]", "upload the generated album to the project's FTP server",
         "Sends the generated album (the destination folder, or the album itself) to the\n"
         "server, login and path of the project's FTP settings: FTP with TLS, plain FTP\n"
         "only when FTPAllowPlain=1, SFTP for a server written sftp://HOST. Only new and\n"
         "changed files are sent; an interrupted upload resumes. Settings, comments and\n"
         "skin files are never sent. --delete removes from the server the files that\n"
         "earlier uploads sent and the album no longer has. --dry-run prints what would\n"
         "be sent ('send PATH') and removed ('remove PATH', or 'keep PATH' without\n"
         "--delete), connecting to nothing. The password is QUORVANE_FTP_PASSWORD,\n"
         "else the project's, else asked on the terminal.\n",
         runPublish},
    };
    return table;
}

}  // namespace quorvane::cli
