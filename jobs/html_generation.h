#pragma once

#include <string>

#include "jobs/job_host.h"
#include "jobs/project.h"
#include "jobs/status_log.h"
#include "script/script_context.h"

namespace quorvane {

// The HTML job: runs the skin's Main script once for the album, then its
// MainLoop script once per album directory, parents before children. Reports
// through the log and sets its jobDone flag on every path. True on success.
// The skin is the project's skinName inside skinsDir.
bool runHtmlJob(Project& project, StatusLog& log, JobHost& host);
bool runHtmlJob(Project& project, StatusLog& log, JobHost& host,
                  const std::filesystem::path& skinsDir);

// The steps of one MainLoop run, shared with tests and the benchmark.
struct HtmlRun {
    const ProjectOptions& options;
    StatusLog& log;
    JobHost& host;
    int directoriesDone = 0;
    int directoriesTotal = 0;
    // Pages whose names this file system refused; each has been posted.
    int uncreatableFiles = 0;
};

ScriptStatus generateDirectory(HtmlRun& run, ScriptContext& context, AlbumDirectory& directory,
                               const std::string& rootPath, bool isRoot);
void resetForDirectory(ScriptContext& context);
void setCurrentDirectory(ScriptContext& context, AlbumDirectory& directory);
void appendStoredVariables(ScriptContext& context, const ProjectOptions& options);

}  // namespace quorvane
