#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "album/album_tree.h"
#include "jobs/job_host.h"
#include "jobs/status_log.h"

namespace quorvane {
class ProjectOptions;
}

namespace quorvane::bench {

// Writes a synthetic album below root: `folders` folders named f0000,
// f0001, ... each holding `pictures` tiny JPEG files p0000.jpg, ... (a few
// distinct 16 × 12 pictures, so files differ without costing an encode
// each). Answers the number of files written.
int writeSyntheticAlbum(const std::filesystem::path& root, int folders, int pictures);

// A host that answers nothing and shows nothing.
struct SilentHost final : JobHost, StatusSink {
    bool confirmDiscardComments() override { return true; }
    void showMessage(std::string_view, std::string_view, MessageIcon) override {}
    void projectOptionsCommand() override {}
    void showStateLine(std::string_view) override {}
    void showBusy(bool) override {}
};

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start);
// CPU time of the whole process so far (every thread, user and system).
double processCpuSeconds();
// The user part of it: the program's own work, without the kernel's.
double processUserSeconds();
// The process's peak resident memory so far, in MiB.
double peakResidentMiB();
double median(std::vector<double> values);

// One timed run of the forced thumbnail job.
struct ThumbnailJobRun {
    double seconds = 0;
    double cpuSeconds = 0;  // the whole process's, during the job
    int entries = 0;        // of the kind counted
    int failures = 0;       // what the job reported
};
// Scans folder as an album root with a new project's settings, lets adjust
// change them, writes into output (emptied first) and times the forced
// thumbnail job on `threads` threads; counts the entries of `kind`. Nothing
// is counted when the folder holds no album.
ThumbnailJobRun timeThumbnailJob(const std::filesystem::path& folder, const std::filesystem::path& output,
                                 unsigned threads, MediaKind kind,
                                 const std::function<void(ProjectOptions&)>& adjust);

// A fresh folder below the system's temporary folder, removed with its
// contents at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace quorvane::bench
