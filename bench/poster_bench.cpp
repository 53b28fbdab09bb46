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

#include "bench/bench_support.h"
#include "options/project_options.h"

namespace fs = std::filesystem;
using namespace quorvane;
using namespace quorvane::bench;

namespace {

ThumbnailJobRun runJob(const fs::path& folder, const fs::path& output, unsigned threads)
{
    return timeThumbnailJob(folder, output, threads, MediaMovie, [](ProjectOptions& options) {
        options.todaysFormats = 1;
        options.copySource = 0;  // time the posters, not the copies
    });
}

void report(const fs::path& folder, const fs::path& output, unsigned threads, int runs)
{
    std::vector<double> rates;
    ThumbnailJobRun last;
    for (int i = 0; i < runs; ++i) {
        last = runJob(folder, output, threads);
        if (last.entries > 0 && last.seconds > 0)
            rates.push_back(last.entries / last.seconds);
    }
    const std::string threadText = threads == 0 ? "default threads" : std::to_string(threads) + " thread(s)";
    std::printf("%s: %d movies (%d without poster), %.1f posters/s (median of %d), %.1f ms CPU per poster, "
                "peak %.0f MiB\n",
                threadText.c_str(), last.entries, last.failures, median(rates), runs,
                last.entries ? 1000 * last.cpuSeconds / last.entries : 0.0, peakResidentMiB());
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
