// Times the thumbnail job on a folder of photos and each resampling filter on
// a 12-megapixel picture.
//
//   thumbnail_bench FOLDER [RUNS]
//
// The folder's .jpg and .jpeg files are treated as one album directory below
// a root; the job runs forced with a new project's settings (Box to shrink,
// Bilinear to enlarge, 200 × 150 thumbnails, 640 × 480 intermediate images,
// 4 × 4 directory thumbnails of 50 × 37 cells), writing into a temporary
// destination folder, so the folder itself is only read.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "album/album_tree.h"
#include "imaging/image.h"
#include "imaging/resample.h"
#include "imaging/thumbnail_generator.h"
#include "options/project_options.h"

namespace fs = std::filesystem;
using namespace quorvane;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool isPicture(const fs::path& path)
{
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".jpg" || extension == ".jpeg";
}

std::unique_ptr<AlbumDirectory> albumOf(const fs::path& folder, int& pictures)
{
    auto root = std::make_unique<AlbumDirectory>(folder.parent_path().string());
    root->fullPath = root->name;
    auto directory = std::make_unique<AlbumDirectory>(folder.filename().string());
    directory->fullPath = folder.string();
    directory->relativeDirectory = "/" + directory->name;

    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() && isPicture(entry.path()))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        auto picture = std::make_unique<AlbumPicture>(name, directory->fullPath, directory->relativeDirectory);
        picture->mediaKind = MediaPicture;
        directory->appendFile(std::move(picture));
    }
    pictures = static_cast<int>(names.size());
    root->appendSubdirectory(std::move(directory));
    return root;
}

void timeJob(const AlbumDirectory& root, int pictures, ProjectOptions options, const char* label, int runs)
{
    double best = 0;
    int failed = 0;
    for (int run = 0; run < runs; ++run) {
        const fs::path output = fs::temp_directory_path() / ("quorvane-bench-" + std::to_string(::getpid()));
        options.outputFolder = output.string();
        const Clock::time_point start = Clock::now();
        failed = generateAlbumImages(root, options, true);
        const double seconds = secondsSince(start);
        best = run == 0 ? seconds : std::min(best, seconds);
        fs::remove_all(output);
    }
    std::printf("thumbnail job, %-28s %3d pictures in %7.2f s: %6.2f pictures per second (%d failed)\n", label,
                pictures, best, pictures / best, failed);
}

void timeFilters(int runs)
{
    Image source;
    source.allocate(4000, 3000, 3);
    std::mt19937 random(1);
    for (std::size_t i = 0; i < source.byteSize(); ++i)
        source.pixels[i] = static_cast<std::uint8_t>(random());
    lanczosTable();

    struct Case {
        const char* name;
        int filter;
        std::uint32_t width, height;
    };
    const Case cases[] = {
        {"Point", FilterPoint, 200, 150},       {"Bilinear", FilterBilinear, 200, 150},
        {"Box", FilterBox, 200, 150},           {"Lanczos3", FilterLanczos3, 200, 150},
        {"Point", FilterPoint, 640, 480},       {"Bilinear", FilterBilinear, 640, 480},
        {"Box", FilterBox, 640, 480},           {"Lanczos3", FilterLanczos3, 640, 480},
    };
    for (const Case& c : cases) {
        double best = 0;
        for (int run = 0; run < runs; ++run) {
            Image image;
            image.allocate(source.width, source.height, source.components);
            std::copy_n(source.pixels.get(), source.byteSize(), image.pixels.get());
            const Clock::time_point start = Clock::now();
            resample(image, c.filter, c.width, c.height);
            const double seconds = secondsSince(start);
            best = run == 0 ? seconds : std::min(best, seconds);
        }
        std::printf("resample 4000 x 3000 x 3 -> %4u x %-4u %-9s %8.1f ms\n", c.width, c.height, c.name,
                    best * 1000);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || !fs::is_directory(argv[1])) {
        std::fprintf(stderr, "usage: %s FOLDER [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    int pictures = 0;
    const std::unique_ptr<AlbumDirectory> root = albumOf(fs::absolute(argv[1]), pictures);
    if (pictures == 0) {
        std::fprintf(stderr, "%s holds no .jpg or .jpeg file\n", argv[1]);
        return 2;
    }

    ProjectOptions options;  // a new project's settings
    options.useDestPath = 1;
    options.copySource = 0;  // copying measures the disk, not the pictures
    timeJob(*root, pictures, options, "(Box, intermediates on):", runs);
    options.intermediateActive = 0;
    timeJob(*root, pictures, options, "(Box, thumbnails only):", runs);
    options.intermediateActive = 1;
    options.reduceFilter = FilterLanczos3;
    timeJob(*root, pictures, options, "(Lanczos3, intermediates on):", runs);

    timeFilters(runs);
    return 0;
}
