// Times HTML generation with a bundled skin on a synthetic album.
//
//   html_bench [FOLDERS [PICTURES]] [--runs N] [--rewrite] [--skins DIR] [--skin NAME]
//
// Writes FOLDERS folders of PICTURES tiny pictures each (default 100 × 100,
// 10,000 pictures) below a scratch folder, scans it and makes its thumbnails
// into a scratch destination folder, as a user would before generating the
// pages. Then times the generation of the pages with the skin (default
// Default, from the source tree's skins folder): the median of the runs (default 3).
// Each run writes new pages, the previous run's being deleted first;
// --rewrite keeps them, so each run meets every page already stored, as the
// second build of an album does: pages that come out the same are compared
// and left as they are. Prints pictures per second.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "jobs/jobs.h"
#include "options/global_options.h"
#include "jobs/html_generation.h"

namespace fs = std::filesystem;
using namespace quorvane;
using namespace quorvane::bench;

int main(int argc, char** argv)
{
    std::vector<int> sizes;
    int runs = 3;
    fs::path skins = QUORVANE_SOURCE_DIR "/skins";
    std::string skin = "Default";
    bool rewrite = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (argument == "--skins" && i + 1 < argc)
            skins = argv[++i];
        else if (argument == "--rewrite")
            rewrite = true;
        else if (argument == "--skin" && i + 1 < argc)
            skin = argv[++i];
        else
            sizes.push_back(std::max(1, std::atoi(argv[i])));
    }
    const int folders = sizes.size() > 0 ? sizes[0] : 100;
    const int pictures = sizes.size() > 1 ? sizes[1] : 100;

    ScratchFolder scratch("html");
    const fs::path root = scratch.path() / "album";
    const fs::path site = scratch.path() / "site";
    const int files = writeSyntheticAlbum(root, folders, pictures);

    SilentHost host;
    StatusLog log(&host);
    GlobalOptions global;
    Project project;
    runScanJob(project, root.string(), global, log, host);
    if (!project.root || !project.options) {
        std::fprintf(stderr, "the scan found no album\n");
        return 1;
    }
    ProjectOptions& options = *project.options;
    options.loaded = 1;
    options.skinName = skin;
    options.outputFolder = site.string();

    options.copySource = 0;
    runThumbnailJob(project, true, log, host);

    std::vector<double> seconds;
    for (int r = 0; r < runs; ++r) {
        if (!rewrite) {
            std::vector<fs::path> pages;
            for (const auto& entry : fs::recursive_directory_iterator(site))
                if (entry.path().extension() == ".html" || entry.path().extension() == ".css")
                    pages.push_back(entry.path());
            for (const fs::path& page : pages)
                fs::remove(page);
        }
        // Earlier writes reach the disk first, so that a run is not held up
        // by the flushing of another's files.
        ::sync();
        const double cpu = processCpuSeconds();
        const double user = processUserSeconds();
        const Clock::time_point start = Clock::now();
        if (!runHtmlJob(project, log, host, skins)) {
            std::fprintf(stderr, "HTML generation failed: %s\n", log.stateLine().c_str());
            return 1;
        }
        seconds.push_back(secondsSince(start));
        std::printf("run %d: %.3f s (CPU %.3f s, of which the kernel's %.3f s)\n", r + 1, seconds.back(),
                    processCpuSeconds() - cpu, processCpuSeconds() - cpu - (processUserSeconds() - user));
    }
    int pages = 0;
    for (const auto& entry : fs::recursive_directory_iterator(site))
        pages += entry.path().extension() == ".html";
    const double middle = median(seconds);
    std::printf("HTML generation (%s skin) for %d pictures in %d folders: %.3f s (median of %d runs), "
                "%.0f pictures/s, %d pages\n",
                skin.c_str(), files, folders, middle, runs, files / middle, pages);
    return 0;
}
