#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jobs/job_host.h"
#include "jobs/project.h"
#include "jobs/status_log.h"

namespace quorvane {

// What to do with files that an earlier upload sent and the album no longer has.
enum class RemovalMode {
    Keep,
    Remove,
    Ask,  // the host's confirm decides
};

struct UploadRequest {
    // Work out what would be sent and removed, and touch nothing.
    bool dryRun = false;
    RemovalMode removal = RemovalMode::Keep;
    // Replaces the project's password (the command line's environment or prompt).
    std::optional<std::string> password;
};

struct UploadSummary {
    bool ok = false;
    // Why it failed, with the server's answer when there was one.
    std::string error;
    int filesSent = 0;
    int filesRemoved = 0;
    std::uint64_t bytesSent = 0;
    // Files the upload would send or remove, in order (filled for dry runs).
    std::vector<std::string> toSend;
    std::vector<std::string> toRemove;
    // Files on the server that the album no longer has, left there.
    int staleKept = 0;
};

// "Upload to FTP": sends the new and changed files of the generated album to
// the project's server, renaming each into place when it is complete, and
// removes what the album dropped when asked to. Remembers what arrived in the
// album's upload record, so the next run sends only the difference and an
// interrupted file resumes. Reports through the log and sets jobDone.
UploadSummary runUploadJob(Project& project, const UploadRequest& request, StatusLog& log, JobHost& host);

// "12 bytes", "1.2 kB", "3.4 MB", "5.6 GB".
std::string formatByteCount(std::uint64_t bytes);

}  // namespace quorvane
