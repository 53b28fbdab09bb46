#include "jobs/upload_job.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <set>

#include "jobs/publish_records.h"
#include "jobs/remote_site.h"
#include "jobs/site_files.h"

namespace quorvane {

namespace {

struct Planned {
    SiteFile file;
    PublishedFile state;
    bool resume = false;
};

struct Plan {
    std::vector<Planned> sends;
    std::vector<std::string> removals;
    // Files whose transfer an earlier run left unfinished and that are not
    // sent now: their temporary copies go.
    std::vector<std::string> abandoned;
    std::uint64_t bytes = 0;
};

std::optional<PublishedFile> describeLocal(const SiteFile& file, const UploadRecord& record)
{
    struct stat status{};
    if (::stat(file.local.c_str(), &status) != 0)
        return std::nullopt;
    PublishedFile state;
    state.size = static_cast<std::uint64_t>(status.st_size);
    state.modified = static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    const auto sent = record.sent.find(file.path);
    // Same size and time as when it was sent: the same file, spared hashing.
    if (sent != record.sent.end() && sent->second.size == state.size && sent->second.modified == state.modified) {
        state.hash = sent->second.hash;
        return state;
    }
    std::optional<std::string> hash = hashFile(file.local);
    if (!hash)
        return std::nullopt;
    state.hash = std::move(*hash);
    return state;
}

// Compares the site with what the record says the server holds. Files whose
// time alone changed get their new time in the record.
std::optional<Plan> makePlan(const SiteContents& site, UploadRecord& record, StatusLog& log, JobHost& host,
                             std::string& error)
{
    Plan plan;
    std::set<std::string> present;
    int checked = 0;
    for (const SiteFile& file : site.files) {
        host.progress(checked++, static_cast<int>(site.files.size()));
        present.insert(file.path);
        const std::optional<PublishedFile> state = describeLocal(file, record);
        if (!state) {
            error = "cannot read " + file.local.string();
            return std::nullopt;
        }
        const auto sent = record.sent.find(file.path);
        if (sent != record.sent.end() && sent->second.size == state->size && sent->second.hash == state->hash) {
            sent->second.modified = state->modified;
            continue;
        }
        const auto started = record.started.find(file.path);
        const bool resume = started != record.started.end() && started->second.size == state->size &&
                            started->second.hash == state->hash;
        plan.sends.push_back({file, *state, resume});
        plan.bytes += state->size;
    }
    for (const auto& [path, state] : record.sent) {
        if (!present.count(path))
            plan.removals.push_back(path);
    }
    for (const auto& [path, state] : record.started) {
        if (!present.count(path) || record.sent.count(path))
            plan.abandoned.push_back(path);
    }
    log.postStatus("%zu of %zu files to send (%s)", plan.sends.size(), site.files.size(),
                   formatByteCount(plan.bytes).c_str());
    return plan;
}

class Uploader {
public:
    Uploader(Project& project, RemoteTarget target, UploadRecord& record, StatusLog& log, JobHost& host,
             UploadSummary& summary)
        : project_(project), remote_(std::move(target)), record_(record), log_(log), host_(host), summary_(summary)
    {
    }

    bool run(const Plan& plan, bool removeStale);

private:
    bool fail(const std::string& error)
    {
        summary_.error = error;
        return false;
    }
    bool send(const Planned& planned, int index, const Plan& plan);

    Project& project_;
    RemoteSite remote_;
    UploadRecord& record_;
    StatusLog& log_;
    JobHost& host_;
    UploadSummary& summary_;
    UploadJournal journal_;
    std::uint64_t bytesDone_ = 0;
};

bool Uploader::send(const Planned& planned, int index, const Plan& plan)
{
    const int total = static_cast<int>(plan.sends.size());
    log_.postStatus("Uploading %d/%d (%s of %s): %s", index + 1, total, formatByteCount(bytesDone_).c_str(),
                    formatByteCount(plan.bytes).c_str(), planned.file.path.c_str());
    std::string error;
    if (!journal_.fileStarted(planned.file.path, planned.state, error))
        return fail(error);
    record_.started[planned.file.path] = planned.state;
    const std::uint64_t before = bytesDone_;
    auto shown = std::chrono::steady_clock::now();
    const auto progress = [&](std::uint64_t sent) {
        // libcurl reports many times a second; the host need not hear each.
        const auto now = std::chrono::steady_clock::now();
        if (now - shown < std::chrono::milliseconds(100))
            return;
        shown = now;
        host_.transferProgress(index, total, before + std::min<std::uint64_t>(sent, planned.state.size), plan.bytes);
    };
    const RemoteResult result = remote_.upload(planned.file.local, planned.file.path, planned.resume, progress);
    summary_.bytesSent += result.bytesSent;
    if (!result.ok)
        return fail(result.error);
    bytesDone_ += planned.state.size;
    if (!journal_.fileSent(planned.file.path, planned.state, error))
        return fail(error);
    record_.started.erase(planned.file.path);
    record_.sent[planned.file.path] = planned.state;
    ++summary_.filesSent;
    host_.transferProgress(index + 1, total, bytesDone_, plan.bytes);
    return true;
}

bool Uploader::run(const Plan& plan, bool removeStale)
{
    std::string error;
    const bool needsServer = !plan.sends.empty() || !plan.abandoned.empty() || (removeStale && !plan.removals.empty());
    if (needsServer) {
        log_.postStatus("Connecting to %s", remote_.target().describe().c_str());
        if (const RemoteResult connected = remote_.connect(); !connected.ok)
            return fail(connected.error);
    }
    if (!journal_.open(project_.rootPath, record_, error))
        return fail(error);
    for (std::size_t i = 0; i < plan.sends.size(); ++i) {
        if (!send(plan.sends[i], static_cast<int>(i), plan))
            return false;
    }
    for (const std::string& path : plan.abandoned) {
        // Only a leftover: failing to remove it spoils nothing.
        remote_.remove(RemoteSite::temporaryName(path));
        record_.started.erase(path);
    }
    if (removeStale) {
        for (const std::string& path : plan.removals) {
            log_.postStatus("Removing %s", path.c_str());
            if (const RemoteResult removed = remote_.remove(path); !removed.ok)
                return fail(removed.error);
            if (!journal_.fileRemoved(path, error))
                return fail(error);
            record_.sent.erase(path);
            ++summary_.filesRemoved;
        }
    }
    if (!journal_.close(record_, error))
        return fail(error);
    return true;
}

std::string plural(int count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string formatByteCount(std::uint64_t bytes)
{
    char text[32];
    if (bytes < 1000)
        std::snprintf(text, sizeof text, "%llu %s", static_cast<unsigned long long>(bytes), bytes == 1 ? "byte" : "bytes");
    else if (bytes < 1000000)
        std::snprintf(text, sizeof text, "%.1f kB", static_cast<double>(bytes) / 1e3);
    else if (bytes < 1000000000)
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    else
        std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / 1e9);
    return text;
}

namespace {

UploadSummary uploadProject(Project& project, const UploadRequest& request, StatusLog& log, JobHost& host)
{
    UploadSummary summary;
    const ProjectOptions& options = *project.options;
    std::optional<RemoteTarget> target = makeRemoteTarget(options.ftpServerName, options.ftpPort, options.ftpLogin,
                                                          options.ftpRemotePath, options.ftpAllowPlain != 0,
                                                          summary.error);
    if (!target)
        return summary;
    target->password = request.password ? *request.password : options.ftpPassword;
    std::optional<SiteContents> site = listSiteFiles(project, summary.error);
    if (!site)
        return summary;
    for (const std::string& path : site->outside)
        log.postStatus("Not uploaded, it leads outside the album: %s", path.c_str());

    UploadRecord record = readUploadRecord(project.rootPath, target->describe());
    log.postStatus("Comparing the album with the last upload");
    const std::optional<Plan> plan = makePlan(*site, record, log, host, summary.error);
    if (!plan)
        return summary;
    for (const Planned& planned : plan->sends)
        summary.toSend.push_back(planned.file.path);
    summary.toRemove = plan->removals;
    if (request.dryRun) {
        summary.ok = true;
        return summary;
    }

    bool removeStale = request.removal == RemovalMode::Remove;
    if (request.removal == RemovalMode::Ask && !plan->removals.empty()) {
        removeStale = host.confirm("Please confirm",
                                   plural(static_cast<int>(plan->removals.size()), "file", "files") +
                                       " sent by earlier uploads " +
                                       (plan->removals.size() == 1 ? "is" : "are") +
                                       " no longer in the album.\nRemove " +
                                       (plan->removals.size() == 1 ? "it" : "them") + " from the server ?");
    }
    if (!removeStale)
        summary.staleKept = static_cast<int>(plan->removals.size());
    Uploader uploader(project, std::move(*target), record, log, host, summary);
    summary.ok = uploader.run(*plan, removeStale);
    return summary;
}

}  // namespace

UploadSummary runUploadJob(Project& project, const UploadRequest& request, StatusLog& log, JobHost& host)
{
    if (!project.optionsValid() || !project.root) {
        host.showMessage("Error", "Please validate project options first", MessageIcon::Warning);
        log.jobDone = true;
        UploadSummary summary;
        summary.error = "Please validate project options first";
        return summary;
    }
    log.setBusy(true);
    log.postStatus(request.dryRun ? "Checking what to upload" : "Uploading to FTP");
    UploadSummary summary = uploadProject(project, request, log, host);
    log.setBusy(false);
    log.jobDone = true;
    if (!summary.ok) {
        log.postStatus("Upload FAILED: %s", summary.error.c_str());
        return summary;
    }
    if (summary.staleKept > 0 && !request.dryRun)
        log.postStatus("%s on the server no longer in the album, kept",
                       plural(summary.staleKept, "file", "files").c_str());
    if (request.dryRun)
        log.postStatus("Upload check completed: %s to send, %s to remove",
                       plural(static_cast<int>(summary.toSend.size()), "file", "files").c_str(),
                       plural(static_cast<int>(summary.toRemove.size()), "file", "files").c_str());
    else
        log.postStatus("Upload completed: %s sent, %d removed, %s",
                       plural(summary.filesSent, "file", "files").c_str(), summary.filesRemoved,
                       formatByteCount(summary.bytesSent).c_str());
    return summary;
}

}  // namespace quorvane
