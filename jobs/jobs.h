#pragma once

#include <string>

#include "jobs/job_host.h"
#include "jobs/project.h"
#include "jobs/status_log.h"

namespace quorvane {

class GlobalOptions;
struct CommentsSaveResult;

// The long operations shared by the desktop program and the command line.
// They report through the status log, ask the host when they need an answer,
// and set the log's jobDone flag when their work is done.

// Replaces the project with a fresh scan of rootText. For a project without
// an options file the host's Project Options command runs afterwards.
void runScanJob(Project& project, const std::string& rootText, GlobalOptions& globalOptions,
                StatusLog& log, JobHost& host);

// Thumbnails, intermediate images and directory thumbnails of the whole album,
// and movie posters with today's formats; answers how many pictures and
// movies could not be read and files could not be written, each named on its
// own state line. threads:
// pictures made at the same time, 0 for every hardware thread (or
// QUORVANE_THREADS).
int runThumbnailJob(Project& project, bool force, StatusLog& log, JobHost& host, unsigned threads = 0);

// Writes every "Comments.xml" of the album. False when there is no album or a
// file could not be written (the state line then names the directory).
bool runSaveCommentsJob(Project& project, StatusLog& log, JobHost& host);

// Before a job writes below the destination folder: refuses a relative or
// empty one (it would land in the current directory) and creates it when it
// is missing. False, with the reason posted, when the job must not go on.
bool prepareOutputFolder(const Project& project, StatusLog& log);

// Posts why a comments save did not complete; true when it did.
bool reportCommentsSaveFailures(const CommentsSaveResult& result, StatusLog& log);

// Copies the comment being typed into the selected node.
void takePendingComment(Project& project, JobHost& host);

}  // namespace quorvane
