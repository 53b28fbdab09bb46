#include "jobs/html_generation.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <set>
#include <vector>

#include "album/tree_walk.h"
#include "jobs/jobs.h"
#include "jobs/publish_records.h"
#include "script/page_output.h"
#include "script/skins.h"

namespace quorvane {

namespace {

void defineSizeVariables(ScriptContext& context, const ProjectOptions& options)
{
    context.getOrCreateVariable(VarInt, "ThumbWidth")->setInt(options.thumbWidth);
    context.getOrCreateVariable(VarInt, "ThumbHeight")->setInt(options.thumbHeight);
    context.getOrCreateVariable(VarInt, "DirThumbWidth")->setInt(options.dirThumbWidth());
    context.getOrCreateVariable(VarInt, "DirThumbHeight")->setInt(options.dirThumbHeight());
    context.getOrCreateVariable(VarInt, "IntermediateImg")->setInt(options.intermediateActive);
    context.getOrCreateVariable(VarInt, "TodaysFormats")->setInt(options.todaysFormats);
}

void defineDirectoryVariables(ScriptContext& context, const ProjectOptions& options,
                              const std::string& rootPath, bool isRoot)
{
    defineSizeVariables(context, options);
    context.getOrCreateVariable(VarInt, "ParseExif")->setInt(options.parseExif);
    context.getOrCreateVariable(VarInt, "IsRoot")->setInt(isRoot ? 1 : 0);
    context.getOrCreateVariable(VarInt, "SrcImagesAvailable")
        ->setInt(!options.useDestPath || options.copySource ? 1 : 0);
    context.getOrCreateVariable(VarString, "RootPath")->setText(rootPath);
}

// A page the skin left open is closed here, and its last bytes checked.
bool finishOutput(ScriptContext& context)
{
    if ((!context.outputFile && !context.pendingPage) || closePage(context))
        return true;
    context.errorText.appendFormat("Can't write file <%s>: %s", context.outputPath.c_str(), std::strerror(errno));
    context.errorText.append("", 1);
    return false;
}

// The reason behind an execution error, when the failing command left one.
void postErrorText(StatusLog& log, ScriptContext& context)
{
    const std::string message = context.errorMessage();
    if (!message.empty())
        log.postStatus("%s", message.c_str());
}

int countDirectories(AlbumDirectory& root)
{
    int count = 0;
    forEachDirectory(root, [&count](AlbumDirectory&) { ++count; });
    return count;
}

}  // namespace

void resetForDirectory(ScriptContext& context)
{
    context.loopStack = nullptr;
    context.errorLine = -1;
    context.closeOutputFile();
    context.currentDirectory = nullptr;
    context.variables.clear();
}

void setCurrentDirectory(ScriptContext& context, AlbumDirectory& directory)
{
    auto name = std::make_unique<ScriptVariable>(VarString, "CurrentDirectoryName");
    name->setText(directory.displayName());
    context.addVariable(std::move(name));
    auto comment = std::make_unique<ScriptVariable>(VarString, "CurrentDirectoryComment");
    comment->setText(directory.commentText());
    context.addVariable(std::move(comment));
    context.currentDirectory = &directory;
}

void appendStoredVariables(ScriptContext& context, const ProjectOptions& options)
{
    for (const ScriptVariable& stored : options.skinPrefs)
        context.addVariable(stored.copyVariable());
}

// MainLoop once for every directory, parents first; the first failing status.
ScriptStatus generateDirectories(HtmlRun& run, ScriptContext& context, AlbumDirectory& root)
{
    ScriptStatus failure = kScriptContinue;
    const auto generate = [&](AlbumDirectory& directory, int depth) {
        run.log.postStatus("Generating HTML - Dir:%s (%d files)", directory.name.c_str(),
                           directory.mediaCount);
        if (run.options.useDestPath) {
            std::error_code ignored;
            std::filesystem::create_directory(run.options.outputFolder + directory.relativeDirectory,
                                              ignored);
        }
        std::string rootPath;
        for (int level = 0; level < depth; ++level)
            rootPath += "../";
        resetForDirectory(context);
        defineDirectoryVariables(context, run.options, rootPath, depth == 0);
        context.parseExifEnabled = run.options.parseExif != 0;
        appendStoredVariables(context, run.options);
        setCurrentDirectory(context, directory);
        const ScriptStatus status = runScript(context);
        for (const std::string& message : context.uncreatableFiles)
            run.log.postText(message);
        run.uncreatableFiles += static_cast<int>(context.uncreatableFiles.size());
        context.uncreatableFiles.clear();
        if (status < 0)
            failure = status;
        else if (!finishOutput(context))
            failure = ScriptError::CannotWriteFile;
        if (failure < 0)
            return WalkStep::Stop;
        run.host.progress(++run.directoriesDone, run.directoriesTotal);
        return WalkStep::Continue;
    };
    walkDirectories(root, {generate, {}});
    return failure;
}

// Main once for the album, then MainLoop for every directory; false at the
// first failure, which has been posted.
static bool runSkinScripts(Project& project, StatusLog& log, JobHost& host, const std::filesystem::path& skin,
                           std::vector<std::filesystem::path>& written)
{
    const ProjectOptions& options = *project.options;
    ScriptContext main;
    main.writtenFiles = &written;
    main.options = &options;
    main.albumRoot = project.root->fullPath;
    if (const ScriptResult loaded = loadScript(skin / kMainScriptName, main); !loaded.ok()) {
        log.postStatus("Main.qvs : Parse error line %d", loaded.line);
        return false;
    }
    defineSizeVariables(main, options);
    appendStoredVariables(main, options);
    setCurrentDirectory(main, *project.root);
    main.skinFolder = skin.string();
    const ScriptStatus mainStatus = runScript(main);
    for (const std::string& message : main.uncreatableFiles)
        log.postText(message);
    if (mainStatus < 0 || !finishOutput(main)) {
        log.postStatus("Main.qvs : Execution error line %d", main.errorLine);
        postErrorText(log, main);
        return false;
    }

    ScriptContext loop;
    loop.writtenFiles = &written;
    loop.options = &options;
    loop.albumRoot = project.root->fullPath;
    if (const ScriptResult loaded = loadScript(skin / kMainLoopScriptName, loop); !loaded.ok()) {
        log.postStatus("MainLoop.qvs : Parse error line %d", loaded.line);
        return false;
    }
    loop.skinFolder = skin.string();
    HtmlRun run{options, log, host, 0, countDirectories(*project.root),
                static_cast<int>(main.uncreatableFiles.size())};
    host.progress(0, run.directoriesTotal);
    if (generateDirectories(run, loop, *project.root) < 0) {
        log.postStatus("HTML Generation FAILED. Execution error line %d", loop.errorLine);
        postErrorText(log, loop);
        return false;
    }
    if (run.uncreatableFiles > 0) {
        log.postStatus("HTML Generation FAILED. %d file(s) could not be created", run.uncreatableFiles);
        return false;
    }
    return true;
}

// The record publishing reads to know which files of the site are pages.
static void recordWrittenPages(const Project& project, const std::vector<std::filesystem::path>& written,
                               bool complete, StatusLog& log)
{
    const ProjectOptions& options = *project.options;
    PagesRecord record;
    record.site = options.useDestPath ? options.outputFolder : project.rootPath;
    record.complete = complete;
    std::error_code ignored;
    const std::filesystem::path top = std::filesystem::absolute(record.site, ignored).lexically_normal();
    std::set<std::string> files;
    for (const std::filesystem::path& path : written) {
        const std::filesystem::path relative =
            std::filesystem::absolute(path, ignored).lexically_normal().lexically_relative(top);
        if (!relative.empty() && *relative.begin() != "..")
            files.insert(relative.generic_string());
    }
    record.files.assign(files.begin(), files.end());
    std::string error;
    if (!writePagesRecord(project.rootPath, record, error))
        log.postStatus("Pages not recorded for upload: %s", error.c_str());
}

bool runHtmlJob(Project& project, StatusLog& log, JobHost& host)
{
    const std::string skinName = project.options ? project.options->skinName : std::string();
    return runHtmlJob(project, log, host, skinsFolder(skinName));
}

bool runHtmlJob(Project& project, StatusLog& log, JobHost& host, const std::filesystem::path& skinsDir)
{
    if (!project.optionsValid() || !project.root) {
        host.showMessage("Error", "Please validate project options first", MessageIcon::Warning);
        log.jobDone = true;
        return false;
    }
    takePendingComment(project, host);
    const ProjectOptions& options = *project.options;
    log.setBusy(true);
    log.postStatus("Generating HTML");
    // A skin name from the settings file must not lead out of the skins folder.
    if (!options.skinName.empty() && !isPlainSkinName(options.skinName)) {
        log.postStatus("%s", badSkinNameMessage(options.skinName).c_str());
        log.setBusy(false);
        log.jobDone = true;
        return false;
    }
    if (!prepareOutputFolder(project, log)) {
        log.setBusy(false);
        log.jobDone = true;
        return false;
    }

    std::vector<std::filesystem::path> written;
    bool succeeded = false;
    try {
        succeeded = runSkinScripts(project, log, host, skinsDir / options.skinName, written);
    } catch (const std::bad_alloc&) {
        // A skin's texts may grow beyond the memory there is: the job fails,
        // the program goes on.
        log.postStatus("HTML Generation FAILED: not enough memory");
    }
    recordWrittenPages(project, written, succeeded, log);
    if (succeeded)
        log.postStatus("HTML generation completed");
    log.setBusy(false);
    log.jobDone = true;
    return succeeded;
}

}  // namespace quorvane
