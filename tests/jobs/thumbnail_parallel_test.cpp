// Pictures made on several threads: the same files, byte for byte, as on one
// thread, with the progress reported in album order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "album/album_tree.h"
#include "album/scan.h"
#include "imaging/jpeg_io.h"
#include "jobs/thumbnail_generator.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

void writeTexturedPicture(const fs::path& path, std::uint32_t width, std::uint32_t height, std::uint32_t components,
                  unsigned seed)
{
    // Smooth bands with some noise, so every filter has something to do.
    std::mt19937 random(seed);
    Image image;
    image.allocate(width, height, components);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            for (std::uint32_t k = 0; k < components; ++k)
                image.at(x, y)[k] = static_cast<std::uint8_t>((x * 3 + y * 5 + k * 70 + seed * 11) % 256 / 2 + random() % 128);
    ASSERT_TRUE(saveJpeg(image, path.string()));
}

// An album whose pictures take very different times to make, so that on
// several threads they finish out of order:
//   big.jpg small.jpg grey.jpg  Trip/  Trip/Day1/  Trip/Day2/  Empty/Deep/
// with a movie, an undecodable picture, a picture "dir_Day1.jpg" whose
// thumbnail has the name of Day1's directory thumbnail, and more pictures in
// one folder than its parent's grid has cells.
void writeAlbum(const fs::path& root)
{
    fs::create_directories(root / "Trip" / "Day1");
    fs::create_directories(root / "Trip" / "Day2");
    fs::create_directories(root / "Empty" / "Deep");
    writeTexturedPicture(root / "big.jpg", 900, 700, 3, 1);
    writeTexturedPicture(root / "small.jpg", 90, 60, 3, 2);
    writeTexturedPicture(root / "grey.jpg", 300, 420, 1, 3);
    writeTexturedPicture(root / "Trip" / "a.jpg", 640, 480, 3, 4);
    test::writeFile(root / "Trip" / "broken.jpg", "no picture here");
    test::writeFile(root / "Trip" / "clip.avi", "RIFF movie");
    writeTexturedPicture(root / "Trip" / "dir_Day1.jpg", 500, 300, 3, 5);
    writeTexturedPicture(root / "Trip" / "z.jpg", 30, 200, 3, 6);
    for (unsigned n = 0; n < 7; ++n)
        writeTexturedPicture(root / "Trip" / "Day1" / ("d" + std::to_string(n) + ".jpg"), n % 2 ? 800 : 40, 300, 3, 10 + n);
    writeTexturedPicture(root / "Trip" / "Day2" / "only.jpg", 1200, 900, 3, 20);
    writeTexturedPicture(root / "Empty" / "Deep" / "e.jpg", 333, 222, 3, 21);
}

// Every file below folder, by path relative to it.
std::map<std::string, std::string> filesBelow(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] = test::readFile(entry.path());
    return files;
}

struct Outcome {
    std::map<std::string, std::string> files;
    std::vector<std::string> progress;
    int unreadable = 0;
    int failedWrites = 0;
};

// Copies the album to folder, scans it and makes its images twice, forced
// and then not, with the given number of threads.
Outcome runOn(const fs::path& album, const fs::path& folder, ProjectOptions options, unsigned threads)
{
    fs::create_directories(folder);
    fs::copy(album, folder / "album", fs::copy_options::recursive);
    const std::string root = (folder / "album").string();
    options.outputFolder = (folder / "out").string();
    Outcome run;
    const std::unique_ptr<AlbumDirectory> tree = scanDirectory(root, options);
    if (!tree)
        return run;
    for (bool forced : {true, false}) {
        ThumbnailGenerator generator(
            options,
            [&run, &root](const std::string& path) { run.progress.push_back(path.substr(root.size())); },
            threads);
        generator.generateAlbumImages(forced, *tree);
        run.unreadable += generator.failedPictures();
        run.failedWrites += generator.failedWrites();
    }
    run.files = filesBelow(folder);
    return run;
}

TEST(ThumbnailThreads, SeveralThreadsWriteTheBytesOfOneThread)
{
    test::TempDir dir;
    writeAlbum(dir / "pristine");
    int configuration = 0;
    for (int useDestPath : {0, 1})
        for (int intermediates : {1, 0})
            for (int reduceFilter : {FilterBox, FilterLanczos3}) {
                ProjectOptions options;
                options.highDensity = 0;  // the file counts below are of one size
                options.useDestPath = useDestPath;
                options.intermediateActive = intermediates;
                options.reduceFilter = reduceFilter;
                options.thmDirImgWidth = 40;
                options.thmDirImgHeight = 30;
                options.nbDirThumbsX = 3;
                options.nbDirThumbsY = 2;
                const std::string name = "c" + std::to_string(configuration++);
                const Outcome one = runOn(dir / "pristine", dir / (name + "-one"), options, 1);
                const Outcome many = runOn(dir / "pristine", dir / (name + "-many"), options, 4);
                SCOPED_TRACE("useDestPath " + std::to_string(useDestPath) + ", intermediates " +
                             std::to_string(intermediates) + ", filter " + std::to_string(reduceFilter));

                // 16 pictures of which one cannot be read, 5 folders below
                // the root; dir_Day1.jpg's thumbnail is Day1's directory
                // thumbnail.
                int thumbnails = 0, intermediateFiles = 0, directoryThumbnails = 0;
                for (const auto& [path, bytes] : one.files) {
                    const std::string file = fs::path(path).filename().string();
                    directoryThumbnails += file.starts_with("thm_dir_");
                    thumbnails += file.starts_with("thm_") && !file.starts_with("thm_dir_");
                    intermediateFiles += file.starts_with("inter_");
                }
                EXPECT_EQ(directoryThumbnails, 5);
                EXPECT_EQ(thumbnails, 14);
                EXPECT_EQ(intermediateFiles, intermediates ? 15 : 0);
                EXPECT_EQ(one.unreadable, 2);  // broken.jpg, once per run
                EXPECT_EQ(one.failedWrites, 0);

                ASSERT_EQ(one.files.size(), many.files.size());
                for (const auto& [path, bytes] : one.files) {
                    const auto other = many.files.find(path);
                    ASSERT_NE(other, many.files.end()) << path;
                    EXPECT_TRUE(other->second == bytes) << path << " differs";
                }
                EXPECT_EQ(many.progress, one.progress);
                EXPECT_EQ(many.unreadable, one.unreadable);
                EXPECT_EQ(many.failedWrites, one.failedWrites);
            }
}

TEST(ThumbnailThreads, ProgressNamesEveryPictureInAlbumOrder)
{
    test::TempDir dir;
    writeAlbum(dir / "pristine");
    ProjectOptions options;
    options.useDestPath = 0;
    const Outcome run = runOn(dir / "pristine", dir / "run", options, 3);
    const std::vector<std::string> once = {
        "/big.jpg",           "/grey.jpg",          "/small.jpg",         "/Empty/Deep/e.jpg",
        "/Trip/a.jpg",        "/Trip/broken.jpg",   "/Trip/dir_Day1.jpg", "/Trip/z.jpg",
        "/Trip/clip.avi",     // its poster, after the pictures
        "/Trip/Day1/d0.jpg",  "/Trip/Day1/d1.jpg",  "/Trip/Day1/d2.jpg",  "/Trip/Day1/d3.jpg",
        "/Trip/Day1/d4.jpg",  "/Trip/Day1/d5.jpg",  "/Trip/Day1/d6.jpg",  "/Trip/Day2/only.jpg",
    };
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(run.progress, twice);
}

TEST(ThumbnailThreads, CountComesFromTheHardwareOrTheEnvironment)
{
    const unsigned hardware = std::max(1u, std::thread::hardware_concurrency());
    ::unsetenv("QUORVANE_THREADS");
    EXPECT_EQ(defaultThumbnailThreads(), hardware);
    ::setenv("QUORVANE_THREADS", "3", 1);
    EXPECT_EQ(defaultThumbnailThreads(), 3u);
    ProjectOptions options;
    EXPECT_EQ(ThumbnailGenerator(options).threads(), 3u);
    EXPECT_EQ(ThumbnailGenerator(options, {}, 1).threads(), 1u);
    for (const char* unusable : {"0", "-2", "many", "4x", "", "100000"}) {
        ::setenv("QUORVANE_THREADS", unusable, 1);
        EXPECT_EQ(defaultThumbnailThreads(), hardware) << unusable;
    }
    ::unsetenv("QUORVANE_THREADS");
}

}  // namespace
}  // namespace quorvane
