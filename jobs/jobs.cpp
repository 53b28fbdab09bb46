#include "jobs/jobs.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "album/comments.h"
#include "album/directory_listing.h"
#include "album/scan.h"
#include "album/tree_walk.h"
#include "imaging/movie_web_copy.h"
#include "jobs/thumbnail_generator.h"
#include "jobs/web_copies.h"
#include "options/global_options.h"
#include "script/skins.h"

namespace quorvane {

std::filesystem::path Project::optionsPath() const
{
    return joinPath(rootPath, kProjectOptionsFileName);
}

namespace {

void reportDamagedComments(AlbumDirectory& root, StatusLog& log)
{
    int damaged = 0;
    std::string first;
    forEachDirectory(root, [&](AlbumDirectory& directory) {
        if (directory.commentsDamaged && damaged++ == 0)
            first = joinPath(directory.fullPath, kCommentsFileName);
    });
    if (damaged == 1)
        log.postStatus("%s could not be read completely; its comments are shown as read so far and "
                       "it will not be overwritten", first.c_str());
    else if (damaged > 1)
        log.postStatus("%d comments files could not be read completely (the first: %s); they will "
                       "not be overwritten", damaged, first.c_str());
}

using Problems = std::vector<ThumbnailGenerator::Problem>;

// "a.jpg, Nature/b.jpg, c.jpg and 4 more": the first few names, relative to
// root where they lie below it.
std::string firstNames(const Problems& problems, const std::string& root)
{
    constexpr std::size_t kNamesShown = 3;
    std::string names;
    for (std::size_t i = 0; i < problems.size() && i < kNamesShown; ++i) {
        std::string_view name = problems[i].path;
        if (!root.empty() && name.size() > root.size() && name.starts_with(root) && name[root.size()] == '/')
            name.remove_prefix(root.size() + 1);
        names += (i > 0 ? ", " : "") + std::string(name);
    }
    if (problems.size() > kNamesShown)
        names += " and " + std::to_string(problems.size() - kNamesShown) + " more";
    return names;
}

// Every problem on its own line (the command line shows them all), then the
// summary the state line keeps; a window shows the whole list.
void reportThumbnailProblems(const Project& project, const Problems& unreadable, const Problems& writes,
                             StatusLog& log, JobHost& host)
{
    for (const ThumbnailGenerator::Problem& problem : unreadable)
        log.postStatus("%s", problem.line.c_str());
    for (const ThumbnailGenerator::Problem& problem : writes)
        log.postStatus("%s", problem.line.c_str());
    std::string summary;
    if (writes.empty()) {
        log.postStatus("Thumbnails generation completed");
    } else {
        const std::string& outputRoot = project.options && project.options->useDestPath
                                            ? project.options->outputFolder
                                            : project.rootPath;
        summary = "Thumbnails generation failed: " + std::to_string(writes.size()) +
                  (writes.size() == 1 ? " file not written: " : " files not written: ") +
                  firstNames(writes, outputRoot);
        log.postStatus("%s", summary.c_str());
    }
    if (!unreadable.empty()) {
        const std::string line = std::to_string(unreadable.size()) +
                                 (unreadable.size() == 1 ? " picture could not be read: " : " pictures could not be read: ") +
                                 firstNames(unreadable, project.rootPath);
        log.postStatus("%s", line.c_str());
        summary += (summary.empty() ? "" : "\n") + line;
    }
    if (summary.empty())
        return;
    constexpr std::size_t kLinesShown = 20;
    std::string details;
    std::size_t shown = 0;
    for (const Problems* list : {&unreadable, &writes}) {
        for (const ThumbnailGenerator::Problem& problem : *list) {
            if (shown++ < kLinesShown)
                details += "\n" + problem.line;
        }
    }
    if (shown > kLinesShown)
        details += "\n... and " + std::to_string(shown - kLinesShown) + " more";
    host.reportFailures("Thumbnails", summary + "\n" + details);
}

}  // namespace

void runScanJob(Project& project, const std::string& rootText, GlobalOptions& globalOptions,
                StatusLog& log, JobHost& host)
{
    if (!host.confirmDiscardComments()) {
        log.jobDone = true;
        log.postStatus("Canceled, please save your comments");
        return;
    }
    log.postStatus("Scanning directory");

    project.options.reset();
    project.selectedNode = nullptr;
    project.root.reset();
    host.albumChanged();

    project.rootPath = rootText;
    project.options = std::make_unique<ProjectOptions>();
    project.optionsDamage.clear();
    const ProjectOptions::FileState optionsState =
        project.options->read(project.optionsPath(), project.optionsDamage);
    bool optionsLoaded = optionsState == ProjectOptions::FileState::Read;
    project.optionsDamaged = optionsState == ProjectOptions::FileState::Damaged;

    std::vector<std::string> leftOut;
    // A skin's own pictures, copied into an album generated in place, are
    // no album media.
    const std::string& skin = project.options->skinName;
    project.root = scanDirectory(project.rootPath, *project.options, &leftOut, skinsFolder(skin) / skin);
    if (project.root) {
        globalOptions.addRecentRoot(project.rootPath);
        project.projectActive = true;
    } else {
        project.options.reset();
        project.projectActive = false;
        optionsLoaded = false;
    }
    // A fresh tree carries exactly the stored comments.
    project.commentsModified = false;
    host.albumChanged();
    log.jobDone = true;
    log.postStatus("Scan completed");
    // After the completion line, so the state line ends on what needs attention.
    if (project.options && optionsLoaded) {
        for (const std::string& warning : project.options->loadWarnings)
            log.postStatus("Warning: %s: %s", kProjectOptionsFileName, warning.c_str());
    }
    for (const std::string& entry : leftOut)
        log.postStatus("Warning: left out %s", entry.c_str());
    if (project.root)
        reportDamagedComments(*project.root, log);
    if (project.optionsDamaged) {
        // Never silently replaced by defaults: the file stays until the user agrees.
        log.postStatus("%s could not be read completely (%s); it was left as it is",
                       project.optionsPath().c_str(), project.optionsDamage.c_str());
    }

    if (!optionsLoaded)
        host.projectOptionsCommand();
}

int runThumbnailJob(Project& project, bool force, StatusLog& log, JobHost& host, unsigned threads)
{
    Problems unreadable;
    Problems writes;
    std::vector<std::string> failedMovies;
    std::vector<std::string> failedCopies;
    if (project.root && project.options) {
        if (!prepareOutputFolder(project, log)) {
            log.jobDone = true;
            return 1;
        }
        log.postStatus("Generating Thumbnails");
        const bool posters = project.options->todaysFormats != 0;
        int total = 0;
        forEachDirectory(*project.root, [&total, posters](AlbumDirectory& directory) {
            for (const AlbumPicture& file : directory.files)
                total += file.mediaKind == MediaPicture || (posters && file.mediaKind == MediaMovie);
        });
        const std::vector<WebCopyTask> copies = plannedWebCopies(*project.root, *project.options);
        total += static_cast<int>(copies.size());
        int done = 0;
        host.progress(0, total);
        ThumbnailGenerator generator(*project.options,
                                     [&](const std::string& sourcePath) {
                                         log.postStatus("Processing %s", sourcePath.c_str());
                                         host.progress(done++, total);
                                     },
                                     threads);
        // Directory thumbnails made since the settings were last saved may
        // be kept: the settings in use are the file's.
        std::error_code noTime;
        const auto settingsTime = std::filesystem::last_write_time(project.optionsPath(), noTime);
        if (!noTime && !project.optionsDamaged)
            generator.keepCurrentDirectoryThumbnails(settingsTime);
        try {
            generator.generateAlbumImages(force, *project.root);
        } catch (const std::bad_alloc&) {
            // A folder thumbnail or the walk itself ran out of memory.
            writes.push_back({project.rootPath, "Not enough memory to go on"});
        }
        unreadable.insert(unreadable.begin(), generator.unreadablePictures().begin(),
                          generator.unreadablePictures().end());
        writes.insert(writes.begin(), generator.writeProblems().begin(), generator.writeProblems().end());
        failedMovies = generator.failedMovies();
        // After every poster: a copy takes far longer than all of them.
        for (const WebCopyTask& copy : copies) {
            host.progress(done++, total);
            // A movie without a poster has nothing to copy either; it is named once.
            const bool noPoster = std::any_of(failedMovies.begin(), failedMovies.end(), [&](const std::string& failure) {
                return failure.starts_with(copy.source + " ");
            });
            if (noPoster)
                continue;
            log.postStatus("Making a web copy of %s", copy.source.c_str());
            const std::string error = writeWebCopy(copy.source, copy.target, project.options->movieWebCopySize);
            if (!error.empty())
                failedCopies.push_back(copy.source + ": " + error);
        }
        host.progress(total, total);
    }
    log.jobDone = true;
    reportThumbnailProblems(project, unreadable, writes, log, host);
    // Each movie by name: the pages show no poster for it.
    for (const std::string& failure : failedMovies)
        log.postStatus("No poster: %s", failure.c_str());
    for (const std::string& failure : failedCopies)
        log.postStatus("No web copy: %s", failure.c_str());
    return static_cast<int>(unreadable.size() + writes.size() + failedMovies.size() + failedCopies.size());
}

bool prepareOutputFolder(const Project& project, StatusLog& log)
{
    if (!project.options || !project.options->useDestPath)
        return true;
    const std::string& folder = project.options->outputFolder;
    if (!isAbsoluteDestination(folder)) {
        log.postStatus("Destination folder \"%s\" is not an absolute path. %s", folder.c_str(),
                       kAbsoluteDestinationError);
        return false;
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error)) {
        log.postStatus("Cannot create the destination folder %s: %s", folder.c_str(),
                       error ? error.message().c_str() : "not a folder");
        return false;
    }
    return true;
}

void takePendingComment(Project& project, JobHost& host)
{
    if (!project.selectedNode)
        return;
    if (std::optional<std::string> text = host.pendingComment())
        project.selectedNode->setComment(cutUtf8(*text, kMaxCommentLength));
}

bool reportCommentsSaveFailures(const CommentsSaveResult& result, StatusLog& log)
{
    if (result.refusals > 0) {
        // A file read only in part would lose the rest if it were replaced.
        log.postStatus("Comments NOT saved: %s could not be read completely (%s); it was left as it is",
                       result.refusedFile.c_str(), result.refusedReason.c_str());
    }
    if (result.failures > 0) {
        // Say where the comments were lost instead of claiming success.
        log.postStatus("Comments NOT saved: cannot write %s/%s (%s)", result.failedDirectory.c_str(),
                       kCommentsFileName, result.failureReason.c_str());
    }
    return result.ok();
}

bool runSaveCommentsJob(Project& project, StatusLog& log, JobHost& host)
{
    if (!project.root) {
        log.postStatus("No active project");
        return false;
    }
    takePendingComment(project, host);
    log.postStatus("Saving comments");
    const CommentsSaveResult result = saveComments(*project.root, project.root->name);
    if (!reportCommentsSaveFailures(result, log))
        return false;
    log.postStatus("Comments saved");
    project.commentsModified = false;
    return true;
}

}  // namespace quorvane
