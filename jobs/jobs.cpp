#include "jobs/jobs.h"

#include "album/comments.h"
#include "album/directory_listing.h"
#include "album/scan.h"
#include "album/tree_walk.h"
#include "jobs/thumbnail_generator.h"
#include "options/global_options.h"

namespace quorvane {

std::filesystem::path Project::optionsPath() const
{
    return joinPath(rootPath, kProjectOptionsFileName);
}

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
    bool optionsLoaded = project.options->load(project.optionsPath());

    project.root = scanDirectory(project.rootPath, *project.options);
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

    if (!optionsLoaded)
        host.projectOptionsCommand();
}

int runThumbnailJob(Project& project, bool force, StatusLog& log, JobHost& host, unsigned threads)
{
    int unreadable = 0;
    if (project.root && project.options) {
        log.postStatus("Generating Thumbnails");
        int total = 0;
        forEachDirectory(*project.root, [&total](AlbumDirectory& directory) {
            for (const AlbumPicture& file : directory.files)
                total += file.mediaKind == MediaPicture;
        });
        int done = 0;
        host.progress(0, total);
        unreadable = generateAlbumImages(*project.root, *project.options, force,
                                         [&](const std::string& sourcePath) {
                                             log.postStatus("Processing %s", sourcePath.c_str());
                                             host.progress(done++, total);
                                         },
                                         threads);
        host.progress(total, total);
    }
    log.jobDone = true;
    log.postStatus("Thumbnails generation completed");
    if (unreadable == 1)
        log.postStatus("1 picture could not be read");
    else if (unreadable > 1)
        log.postStatus("%d pictures could not be read", unreadable);
    return unreadable;
}

void takePendingComment(Project& project, JobHost& host)
{
    if (!project.selectedNode)
        return;
    if (std::optional<std::string> text = host.pendingComment())
        project.selectedNode->setComment(cutUtf8(*text, kMaxCommentLength));
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
    if (!result.ok()) {
        // Say where the comments were lost instead of claiming success.
        log.postStatus("Comments NOT saved: cannot write %s/%s", result.failedDirectory.c_str(),
                       kCommentsFileName);
        return false;
    }
    log.postStatus("Comments saved");
    project.commentsModified = false;
    return true;
}

}  // namespace quorvane
