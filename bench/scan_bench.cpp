// Times the album scan on a synthetic album.
//
//   scan_bench [FOLDERS [PICTURES]] [--runs N]
//
// Writes FOLDERS folders of PICTURES tiny pictures each (default 1000 × 100,
// 100,000 files) below a scratch folder, scans it once to warm the caches,
// then times the scan (median of the runs, default 3) and prints files per
// second.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "album/album_tree.h"
#include "album/scan.h"
#include "album/tree_walk.h"
#include "bench/bench_support.h"
#include "options/project_options.h"

using namespace quorvane;
using namespace quorvane::bench;

int main(int argc, char** argv)
{
    std::vector<int> sizes;
    int runs = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            sizes.push_back(std::max(1, std::atoi(argv[i])));
    }
    const int folders = sizes.size() > 0 ? sizes[0] : 1000;
    const int pictures = sizes.size() > 1 ? sizes[1] : 100;

    ScratchFolder scratch("scan");
    const std::string root = (scratch.path() / "album").string();
    Clock::time_point start = Clock::now();
    const int files = writeSyntheticAlbum(root, folders, pictures);
    std::printf("wrote %d files in %d folders in %.1f s\n", files, folders, secondsSince(start));

    ProjectOptions options;  // a new project's: sorted by whole name
    options.outputFolder = (scratch.path() / "site").string();
    scanDirectory(root, options);  // warms the caches
    std::vector<double> seconds;
    int found = 0;
    for (int r = 0; r < runs; ++r) {
        start = Clock::now();
        const std::unique_ptr<AlbumDirectory> tree = scanDirectory(root, options);
        seconds.push_back(secondsSince(start));
        found = 0;
        if (tree)
            forEachDirectory(*tree, [&found](AlbumDirectory& directory) { found += directory.files.count(); });
        std::printf("run %d: %.3f s\n", r + 1, seconds.back());
    }
    const double middle = median(seconds);
    std::printf("scan of %d files: %.3f s (median of %d runs), %.0f files/s\n", found, middle, runs, found / middle);
    return found == files ? 0 : 1;
}
