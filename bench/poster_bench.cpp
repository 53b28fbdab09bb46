// Times movie posters: the thumbnail job on a folder of movies.
//
//   poster_bench FOLDER [--runs N] [--threads N]
//
// The folder is scanned as an album root with today's formats on and the
// forced thumbnail job runs with a new project's settings, writing into a
// scratch destination folder, so FOLDER is only read. Prints posters per
// second (median of the runs), process CPU time per poster and peak memory,
// then the same for one thread.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "album/tree_walk.h"
#include "bench/bench_support.h"
#include "jobs/jobs.h"
#include "options/global_options.h"

namespace fs = std::filesystem;
using namespace quorvane;
using namespace quorvane::bench;

namespace {

struct PosterRun {
    double seconds = 0;
    double cpuSeconds = 0;
    int movies = 0;
    int failed = 0;
};

PosterRun runJob(const fs::path& folder, const fs::path& output, unsigned threads)
{
    SilentHost host;
    StatusLog log(&host);
    GlobalOptions global;
    Project project;
    runScanJob(project, folder.string(), global, log, host);
    PosterRun run;
    if (!project.root || !project.options)
        return run;
    project.options->outputFolder = output.string();
    project.options->todaysFormats = 1;
    project.options->copySource = 0;  // time the posters, not the copies
    forEachDirectory(*project.root, [&run](AlbumDirectory& directory) {
        for (const AlbumPicture& file : directory.files)
            run.movies += file.mediaKind == MediaMovie;
    });
    fs::remove_all(output);
    const double cpu = processCpuSeconds();
    const Clock::time_point start = Clock::now();
    run.failed = runThumbnailJob(project, true, log, host, threads);
    run.seconds = secondsSince(start);
    run.cpuSeconds = processCpuSeconds() - cpu;
    return run;
}

void report(const fs::path& folder, const fs::path& output, unsigned threads, int runs)
{
    std::vector<double> rates;
    PosterRun last;
    for (int i = 0; i < runs; ++i) {
        last = runJob(folder, output, threads);
        if (last.movies > 0 && last.seconds > 0)
            rates.push_back(last.movies / last.seconds);
    }
    const std::string threadText = threads == 0 ? "default threads" : std::to_string(threads) + " thread(s)";
    std::printf("%s: %d movies (%d without poster), %.1f posters/s (median of %d), %.1f ms CPU per poster, "
                "peak %.0f MiB\n",
                threadText.c_str(), last.movies, last.failed, median(rates), runs,
                last.movies ? 1000 * last.cpuSeconds / last.movies : 0.0, peakResidentMiB());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: poster_bench FOLDER [--runs N] [--threads N]\n");
        return 2;
    }
    const fs::path folder = argv[1];
    int runs = 3;
    unsigned threads = 0;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--threads") == 0)
            threads = unsigned(std::max(0, std::atoi(argv[i + 1])));
    }
    ScratchFolder scratch("quorvane-poster-bench");
    report(folder, scratch.path() / "out", threads, runs);
    if (threads != 1)
        report(folder, scratch.path() / "out", 1, runs);
    return 0;
}
