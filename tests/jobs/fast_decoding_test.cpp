// Fast decoding: pictures shrunk while they are decoded. Off, the files are
// those of a full decoding byte for byte; on, they keep the same size and
// stay close to them on real photographs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "album/album_tree.h"
#include "album/scan.h"
#include "imaging/jpeg_io.h"
#include "imaging/resample.h"
#include "jobs/thumbnail_generator.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

// Makes the album's images with the options, one thread, into out/.
void makeImages(const fs::path& album, const fs::path& out, ProjectOptions options)
{
    options.outputFolder = out.string();
    options.copySource = 0;
    const std::unique_ptr<AlbumDirectory> tree = scanDirectory(album.string(), options);
    ASSERT_TRUE(tree);
    ThumbnailGenerator generator(options, {}, 1);
    generator.generateAlbumImages(true, *tree);
    EXPECT_EQ(generator.failedPictures(), 0);
    EXPECT_EQ(generator.failedWrites(), 0);
}

// Peak signal-to-noise ratio of b against a, over every sample.
double psnr(const Image& a, const Image& b)
{
    double squares = 0;
    const std::size_t count = a.byteSize();
    for (std::size_t i = 0; i < count; ++i) {
        const double d = double(a.pixels[i]) - double(b.pixels[i]);
        squares += d * d;
    }
    const double mean = squares / double(count);
    return mean == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mean);
}

// The mean absolute difference of b from a, over every sample.
double meanError(const Image& a, const Image& b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.byteSize(); ++i)
        sum += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
    return sum / double(a.byteSize());
}

// A smooth picture with fine noise, large enough to be shrunk 1/2 or 1/4 for
// each generated size.
void writeLargePicture(const fs::path& path, std::uint32_t width, std::uint32_t height)
{
    std::mt19937 random(7);
    Image image;
    image.allocate(width, height, 3);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            for (std::uint32_t k = 0; k < 3; ++k)
                image.at(x, y)[k] = static_cast<std::uint8_t>((x / 7 + y / 5 + k * 60) % 200 + random() % 40);
    ASSERT_TRUE(saveJpeg(image, path.string()));
}

// The album below dir made twice, with twice-size files: into dir/exact
// with fast decoding off, into dir/fast with it on.
void makeExactAndFast(const fs::path& dir)
{
    ProjectOptions options;
    options.highDensity = 1;
    options.fastDecoding = 0;
    makeImages(dir / "album", dir / "exact", options);
    options.fastDecoding = 1;
    makeImages(dir / "album", dir / "fast", options);
}

TEST(FastDecoding, OffGivesTheFullDecodingsBytesOnGivesFilesOfTheSameSize)
{
    test::TempDir dir;
    fs::create_directories(dir / "album");
    writeLargePicture(dir / "album" / "wide.jpg", 2700, 1800);

    makeExactAndFast(dir.path());

    // The full decoding by hand: the bytes the job wrote before the option.
    Image picture;
    ASSERT_TRUE(loadJpeg(picture, (dir / "album" / "wide.jpg").string()));
    fitAndResample(picture, 640, 480, FilterBox, FilterBilinear);
    ASSERT_TRUE(saveJpeg(picture, (dir / "expected.jpg").string()));
    EXPECT_TRUE(test::readFile(dir / "exact" / "inter_wide.jpg") == test::readFile(dir / "expected.jpg"));

    for (const char* name : {"inter_wide.jpg", "thm_wide.jpg", "inter_wide@2x.jpg", "thm_wide@2x.jpg"}) {
        SCOPED_TRACE(name);
        Image exact, fast;
        ASSERT_TRUE(exact.loadJpeg((dir / "exact" / name).string()));
        ASSERT_TRUE(fast.loadJpeg((dir / "fast" / name).string()));
        EXPECT_EQ(fast.width, exact.width);
        EXPECT_EQ(fast.height, exact.height);
        // 2700 × 1800 is decoded at half its size for the 640 × 427
        // intermediate image (the thumbnail is made from that), and fully for
        // the twice-size one.
        const bool reduced = !std::string(name).ends_with("@2x.jpg");
        EXPECT_EQ(test::readFile(dir / "exact" / name) != test::readFile(dir / "fast" / name), reduced);
    }
}

// The bound that keeps fast mode honest, on camera photos of the corpus
// (turned upright where their Exif says so): each fast file is within 29 dB
// PSNR and a mean error of 6 levels a sample of the exact one. For scale: on
// the same photos the exact files made with Lanczos3 instead of Box are 19
// to 42 dB from the Box ones, always further than the fast files are.
TEST(FastDecoding, CameraPhotosStayCloseToTheFullDecoding)
{
    QUORVANE_REQUIRE_CORPUS();
    test::TempDir dir;
    const fs::path large = test::corpusDir() / "large";
    std::vector<fs::path> photos;
    for (const auto& entry : fs::directory_iterator(large))
        if (entry.path().extension() == ".jpg")
            photos.push_back(entry.path());
    std::sort(photos.begin(), photos.end());
    ASSERT_FALSE(photos.empty());
    // Every third photo keeps the sanitizer build's run short.
    fs::create_directories(dir / "album");
    for (std::size_t n = 0; n < photos.size(); n += 3)
        fs::copy_file(photos[n], dir / "album" / photos[n].filename());
    // Still WebP pictures go through libwebp's scaler instead.
    int webps = 0;
    for (const auto& entry : fs::directory_iterator(test::corpusDir() / "modern"))
        if (entry.path().extension() == ".webp") {
            fs::copy_file(entry.path(), dir / "album" / entry.path().filename());
            ++webps;
        }

    makeExactAndFast(dir.path());

    int compared = 0, reduced = 0;
    double total = 0;
    for (const auto& entry : fs::directory_iterator(dir / "exact")) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("inter_") && !(name.starts_with("thm_") && !name.starts_with("thm_dir_")))
            continue;
        SCOPED_TRACE(name);
        Image exact, fast;
        ASSERT_TRUE(exact.loadJpeg(entry.path().string()));
        ASSERT_TRUE(fast.loadJpeg((dir / "fast" / name).string()));
        ASSERT_EQ(fast.width, exact.width);
        ASSERT_EQ(fast.height, exact.height);
        ASSERT_EQ(fast.components, exact.components);
        const double ratio = psnr(exact, fast);
        EXPECT_LE(meanError(exact, fast), 6.0);
        EXPECT_GE(ratio, 29.0);
        if (!name.ends_with("@2x.jpg")) {
            // Twice-size files come mostly from full decodings; the others,
            // all reduced, average well above the worst.
            total += ratio;
            ++reduced;
        }
        ++compared;
    }
    EXPECT_EQ(compared, (int((photos.size() + 2) / 3) + webps) * 4);
    EXPECT_GE(total / reduced, 34.0);
}

}  // namespace
}  // namespace quorvane
