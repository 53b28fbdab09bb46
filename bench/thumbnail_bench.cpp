// Times the thumbnail job on a folder of photos.
//
//   thumbnail_bench FOLDER [--runs N] [--threads N] [--reduce-filter CODE] [--decoding fast|exact]
//                   [--high-density 0|1] [--copy-source 0|1] [--compare] [--filters]
//
// The folder is scanned as an album root and the forced job runs with a new
// project's settings (Box to shrink, Bilinear to enlarge, 640 × 480
// intermediate images, 200 × 150 thumbnails, 4 × 4 directory thumbnails of
// 50 × 37 cells, sources copied to the destination folder). Only the
// destination folder differs: a scratch folder, so FOLDER is only read.
// Prints pictures per second (median of the runs), process CPU time per
// picture and peak memory. --threads sets the number of pictures made at the
// same time (default: every hardware thread, or QUORVANE_THREADS);
// --reduce-filter the shrinking filter (0 Point, 2 Box, 3 Lanczos3);
// --decoding exact turns the project's fast decoding off, --high-density 0
// its twice-size files, --copy-source 0 the copies of the photos into the
// destination folder.
// --compare also runs the job on one thread and checks that both runs wrote
// the same bytes. --filters times each filter, fast and plain, on a
// 12-megapixel picture.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_support.h"
#include "imaging/resample.h"
#include "imaging/resample_reference.h"
#include "jobs/thumbnail_generator.h"
#include "options/project_options.h"

namespace fs = std::filesystem;
using namespace quorvane;
using namespace quorvane::bench;

namespace {

// Settings the command line changes from a new project's; -1 keeps its own.
struct JobSettings {
    int reduceFilter = -1;
    int fastDecoding = -1;
    int highDensity = -1;
    int copySource = -1;
};

ThumbnailJobRun runJob(const fs::path& folder, const fs::path& output, unsigned threads, const JobSettings& settings)
{
    return timeThumbnailJob(folder, output, threads, MediaPicture, [&settings](ProjectOptions& options) {
        for (const auto& [value, field] : {std::pair{settings.reduceFilter, &ProjectOptions::reduceFilter},
                                           std::pair{settings.fastDecoding, &ProjectOptions::fastDecoding},
                                           std::pair{settings.highDensity, &ProjectOptions::highDensity},
                                           std::pair{settings.copySource, &ProjectOptions::copySource}})
            if (value >= 0)
                options.*field = value;
    });
}

// Paths below `a` or `b` whose bytes differ or that only one holds.
std::vector<std::string> differences(const fs::path& a, const fs::path& b)
{
    const auto files = [](const fs::path& folder) {
        std::map<std::string, std::uintmax_t> sizes;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file())
                sizes[fs::relative(entry.path(), folder).string()] = entry.file_size();
        return sizes;
    };
    const auto same = [](const fs::path& x, const fs::path& y) {
        std::FILE* f = std::fopen(x.c_str(), "rb");
        std::FILE* g = std::fopen(y.c_str(), "rb");
        bool equal = f && g;
        char p[65536], q[65536];
        while (equal) {
            const std::size_t m = std::fread(p, 1, sizeof p, f), n = std::fread(q, 1, sizeof q, g);
            equal = m == n && std::memcmp(p, q, m) == 0;
            if (m == 0)
                break;
        }
        if (f)
            std::fclose(f);
        if (g)
            std::fclose(g);
        return equal;
    };
    const auto inA = files(a), inB = files(b);
    std::vector<std::string> different;
    for (const auto& [path, size] : inA) {
        const auto other = inB.find(path);
        if (other == inB.end() || other->second != size || !same(a / path, b / path))
            different.push_back(path);
    }
    for (const auto& [path, size] : inB)
        if (!inA.count(path))
            different.push_back(path);
    return different;
}

void timeFilters()
{
    Image source;
    source.allocate(4000, 3000, 3);
    std::mt19937 random(1);
    for (std::size_t i = 0; i < source.byteSize(); ++i)
        source.pixels[i] = static_cast<std::uint8_t>(random());
    lanczosTable();
    const char* names[] = {"Point", "Bilinear", "Box", "Lanczos3"};
    for (int filter = FilterPoint; filter <= FilterLanczos3; ++filter)
        for (const auto& [width, height] : {std::pair<std::uint32_t, std::uint32_t>{640, 480}, {200, 150}}) {
            double seconds[2];
            for (int plain = 0; plain < 2; ++plain) {
                Image image;
                image.allocate(source.width, source.height, source.components);
                std::memcpy(image.pixels.get(), source.pixels.get(), source.byteSize());
                const Clock::time_point start = Clock::now();
                if (plain)
                    reference::resample(image, filter, width, height);
                else
                    resample(image, filter, width, height);
                seconds[plain] = secondsSince(start);
            }
            std::printf("resample 4000x3000x3 -> %3ux%-3u %-8s  fast %7.1f ms   plain %8.1f ms\n", width, height,
                        names[filter], seconds[0] * 1000, seconds[1] * 1000);
        }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || !fs::is_directory(argv[1])) {
        std::fprintf(stderr, "usage: %s FOLDER [--runs N] [--threads N] [--reduce-filter CODE] [--decoding fast|exact]\n"
                     "       [--high-density 0|1] [--copy-source 0|1] [--compare] [--filters]\n",
                     argv[0]);
        return 2;
    }
    const fs::path folder = fs::absolute(argv[1]);
    int runs = 3;
    unsigned threads = defaultThumbnailThreads();
    bool compare = false, filters = false;
    JobSettings settings;
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (option == "--threads" && i + 1 < argc)
            threads = static_cast<unsigned>(std::max(1, std::atoi(argv[++i])));
        else if (option == "--reduce-filter" && i + 1 < argc)
            settings.reduceFilter = std::atoi(argv[++i]);
        else if (option == "--decoding" && i + 1 < argc)
            settings.fastDecoding = std::strcmp(argv[++i], "fast") == 0 ? 1 : 0;
        else if (option == "--high-density" && i + 1 < argc)
            settings.highDensity = std::atoi(argv[++i]) != 0;
        else if (option == "--copy-source" && i + 1 < argc)
            settings.copySource = std::atoi(argv[++i]) != 0;
        else if (option == "--compare")
            compare = true;
        else if (option == "--filters")
            filters = true;
    }

    ScratchFolder scratch("thumbnails");
    std::vector<double> seconds;
    ThumbnailJobRun run;
    for (int r = 0; r < runs; ++r) {
        run = runJob(folder, scratch.path() / "out", threads, settings);
        if (run.entries == 0) {
            std::fprintf(stderr, "%s holds no picture\n", argv[1]);
            return 2;
        }
        seconds.push_back(run.seconds);
        std::printf("run %d: %d pictures in %.2f s, %.1f pictures/s, CPU %.1f ms per picture\n", r + 1,
                    run.entries, run.seconds, run.entries / run.seconds, run.cpuSeconds * 1000 / run.entries);
    }
    const double middle = median(seconds);
    std::printf("thumbnail job, %u threads: %.1f pictures/s (median of %d runs), %d unreadable, peak memory %.0f MiB\n",
                threads, run.entries / middle, runs, run.failures, peakResidentMiB());

    if (compare) {
        runJob(folder, scratch.path() / "one", 1, settings);
        const std::vector<std::string> different = differences(scratch.path() / "one", scratch.path() / "out");
        if (different.empty()) {
            std::printf("%u threads and 1 thread wrote the same bytes\n", threads);
        } else {
            for (const std::string& path : different)
                std::printf("differs: %s\n", path.c_str());
            return 1;
        }
    }
    if (filters)
        timeFilters();
    return 0;
}
