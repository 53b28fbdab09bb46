#include "bench/bench_support.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "album/tree_walk.h"
#include "imaging/image.h"
#include "imaging/jpeg_io.h"
#include "jobs/jobs.h"
#include "options/global_options.h"

namespace quorvane::bench {

namespace fs = std::filesystem;

namespace {

constexpr int kDistinctPictures = 8;

std::string readWhole(const fs::path& path)
{
    std::string bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char block[4096];
        for (std::size_t count; (count = std::fread(block, 1, sizeof block, file)) > 0;)
            bytes.append(block, count);
        std::fclose(file);
    }
    return bytes;
}

bool writeWhole(const fs::path& path, const std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int writeSyntheticAlbum(const fs::path& root, int folders, int pictures)
{
    fs::create_directories(root);
    std::vector<std::string> encoded;
    for (int n = 0; n < kDistinctPictures; ++n) {
        Image image;
        image.allocate(16, 12, 3);
        image.fill(0x203040u * std::uint32_t(n + 1));
        const fs::path path = root / "picture.tmp";
        saveJpeg(image, path.string());
        encoded.push_back(readWhole(path));
        fs::remove(path);
    }
    int written = 0;
    char name[32];
    for (int f = 0; f < folders; ++f) {
        std::snprintf(name, sizeof name, "f%04d", f);
        const fs::path folder = root / name;
        fs::create_directories(folder);
        for (int p = 0; p < pictures; ++p) {
            std::snprintf(name, sizeof name, "p%04d.jpg", p);
            written += writeWhole(folder / name, encoded[std::size_t(f + p) % encoded.size()]);
        }
    }
    return written;
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double processUserSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec) + double(usage.ru_utime.tv_usec) / 1e6;
}

double peakResidentMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // reported in KiB
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

ScratchFolder::ScratchFolder(const std::string& name)
    : path_(fs::temp_directory_path() / ("quorvane-bench-" + name + "-" + std::to_string(::getpid())))
{
    fs::remove_all(path_);
    fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

ThumbnailJobRun timeThumbnailJob(const fs::path& folder, const fs::path& output, unsigned threads, MediaKind kind,
                                 const std::function<void(ProjectOptions&)>& adjust)
{
    SilentHost host;
    StatusLog log(&host);
    GlobalOptions global;
    Project project;
    runScanJob(project, folder.string(), global, log, host);
    ThumbnailJobRun run;
    if (!project.root || !project.options)
        return run;
    project.options->outputFolder = output.string();
    adjust(*project.options);
    forEachDirectory(*project.root, [&run, kind](AlbumDirectory& directory) {
        for (const AlbumPicture& file : directory.files)
            run.entries += file.mediaKind == kind;
    });
    fs::remove_all(output);
    const double cpu = processCpuSeconds();
    const Clock::time_point start = Clock::now();
    run.failures = runThumbnailJob(project, true, log, host, threads);
    run.seconds = secondsSince(start);
    run.cpuSeconds = processCpuSeconds() - cpu;
    return run;
}

}  // namespace quorvane::bench
