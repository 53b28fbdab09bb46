#include "imaging/jpeg_io.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "imaging/image.h"
#include "imaging/picture_reader.h"
#include "support/test_support.h"
#include "tests/support/exif_builder.h"

namespace quorvane {
namespace {

using test::TempDir;

// What the encoder put in a file's markers.
struct JpegMarkers {
    int frameMarker = 0;  // 0xc0 baseline, 0xc2 progressive, ...
    int components = 0;
    int width = 0;
    int height = 0;
    bool jfif = false;
    int firstLuminanceStep = 0;    // first entry of quantisation table 0
    int firstChrominanceStep = 0;  // first entry of quantisation table 1
};

JpegMarkers readMarkers(const std::filesystem::path& path)
{
    const std::string bytes = test::readFile(path);
    const auto byte = [&](std::size_t i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0; };
    JpegMarkers markers;
    std::size_t at = 2;  // after SOI
    while (at + 4 <= bytes.size() && byte(at) == 0xff) {
        const int marker = byte(at + 1);
        const std::size_t length = byte(at + 2) * 256u + byte(at + 3);
        const std::size_t body = at + 4;
        if (marker == 0xe0 && bytes.compare(body, 5, std::string("JFIF\0", 5)) == 0)
            markers.jfif = true;
        if (marker == 0xdb) {
            // One or more tables: precision/id byte, then 64 steps.
            for (std::size_t t = body; t + 65 <= at + 2 + length; t += 65) {
                if ((byte(t) & 0x0f) == 0)
                    markers.firstLuminanceStep = byte(t + 1);
                else if ((byte(t) & 0x0f) == 1)
                    markers.firstChrominanceStep = byte(t + 1);
            }
        }
        if (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc) {
            markers.frameMarker = marker;
            markers.height = byte(body + 1) * 256 + byte(body + 2);
            markers.width = byte(body + 3) * 256 + byte(body + 4);
            markers.components = byte(body + 5);
        }
        if (marker == 0xda)
            break;
        at += 2 + length;
    }
    return markers;
}

int openFileCount()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// A smooth gradient, which survives JPEG compression within a few levels.
Image gradient(std::uint32_t width, std::uint32_t height, std::uint32_t components)
{
    Image image;
    image.allocate(width, height, components);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            for (std::uint32_t k = 0; k < components; ++k)
                image.at(x, y)[k] = static_cast<std::uint8_t>((x * 255 / width + y * 64 / height + k * 40) % 256);
    return image;
}

double meanDifference(const Image& a, const Image& b)
{
    double total = 0;
    for (std::size_t i = 0; i < a.byteSize(); ++i)
        total += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
    return total / double(a.byteSize());
}

TEST(Jpeg, GreyPictureLoadsWithOneComponentAndSavesAsGrey)
{
    TempDir dir;
    const Image original = gradient(64, 48, 1);
    const std::string path = (dir / "grey.jpg").string();
    ASSERT_TRUE(saveJpeg(original, path));

    const JpegMarkers written = readMarkers(path);
    EXPECT_EQ(written.frameMarker, 0xc0);  // sequential baseline
    EXPECT_EQ(written.components, 1);
    EXPECT_EQ(written.width, 64);
    EXPECT_EQ(written.height, 48);
    EXPECT_TRUE(written.jfif);
    // Quality 80 scales the standard tables by 40%: (16·40 + 50) / 100 = 6.
    EXPECT_EQ(written.firstLuminanceStep, 6);

    Image loaded;
    ASSERT_TRUE(loaded.loadJpeg(path));
    EXPECT_EQ(loaded.components, 1u);
    EXPECT_EQ(loaded.width, 64u);
    EXPECT_EQ(loaded.height, 48u);
    EXPECT_LT(meanDifference(loaded, original), 2.0);

    const std::string again = (dir / "again.jpg").string();
    ASSERT_TRUE(loaded.saveJpeg(again));
    EXPECT_EQ(readMarkers(again).components, 1);
}

TEST(Jpeg, ColourPictureLoadsRowZeroFirstAsRgb)
{
    TempDir dir;
    Image original;
    original.allocate(640, 480, 3);
    for (std::uint32_t y = 0; y < 480; ++y)
        for (std::uint32_t x = 0; x < 640; ++x) {
            std::uint8_t* pixel = original.at(x, y);
            pixel[0] = y < 240 ? 220 : 20;  // red above, blue below
            pixel[1] = 30;
            pixel[2] = y < 240 ? 20 : 220;
        }
    const std::string path = (dir / "colour.jpg").string();
    ASSERT_TRUE(original.saveJpeg(path));

    const JpegMarkers written = readMarkers(path);
    EXPECT_EQ(written.frameMarker, 0xc0);
    EXPECT_EQ(written.components, 3);
    EXPECT_EQ(written.firstLuminanceStep, 6);
    EXPECT_EQ(written.firstChrominanceStep, 7);  // (17·40 + 50) / 100

    Image loaded;
    ASSERT_TRUE(loaded.loadJpeg(path));
    EXPECT_EQ(loaded.width, 640u);
    EXPECT_EQ(loaded.height, 480u);
    EXPECT_EQ(loaded.components, 3u);
    EXPECT_EQ(loaded.byteSize(), 640u * 480u * 3u);
    EXPECT_NEAR(loaded.at(100, 0)[0], 220, 8);
    EXPECT_NEAR(loaded.at(100, 0)[2], 20, 8);
    EXPECT_NEAR(loaded.at(100, 479)[0], 20, 8);
    EXPECT_NEAR(loaded.at(100, 479)[2], 220, 8);
}

TEST(Jpeg, TextFileFailsLeavingNoFileOpenAndNoPicture)
{
    TempDir dir;
    const std::filesystem::path path = dir / "notes.jpg";
    test::writeFile(path, "These are not the pixels you are looking for.\n");
    Image image = gradient(8, 8, 3);
    const int before = openFileCount();
    EXPECT_FALSE(image.loadJpeg(path.string()));
    EXPECT_EQ(openFileCount(), before);
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.width, 0u);

    EXPECT_FALSE(image.loadJpeg((dir / "missing.jpg").string()));
    EXPECT_EQ(openFileCount(), before);
}

TEST(Jpeg, TruncatedPictureLoadsAsFarAsTheDecoderWarns)
{
    TempDir dir;
    const std::string whole = (dir / "whole.jpg").string();
    ASSERT_TRUE(saveJpeg(gradient(320, 240, 3), whole));
    const std::string bytes = test::readFile(whole);
    const std::filesystem::path cut = dir / "cut.jpg";
    test::writeFile(cut, std::string_view(bytes).substr(0, bytes.size() / 2));

    const int before = openFileCount();
    Image image;
    ASSERT_TRUE(image.loadJpeg(cut.string()));
    EXPECT_EQ(image.width, 320u);
    EXPECT_EQ(image.height, 240u);
    EXPECT_EQ(openFileCount(), before);

    // Cut inside the header: nothing to decode.
    test::writeFile(cut, std::string_view(bytes).substr(0, 100));
    EXPECT_FALSE(image.loadJpeg(cut.string()));
    EXPECT_EQ(openFileCount(), before);
}

TEST(Jpeg, WriteFailuresAreReportedAndLeaveNoFileOpen)
{
    TempDir dir;
    const Image image = gradient(64, 64, 3);
    const int before = openFileCount();
    EXPECT_FALSE(saveJpeg(image, (dir / "no" / "such" / "folder.jpg").string()));
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_FALSE(saveJpeg(image, "/dev/full"));  // every write fails: disk full
    }
    EXPECT_EQ(openFileCount(), before);

    // Nothing the encoder can take: an empty picture, four components.
    Image empty;
    EXPECT_FALSE(saveJpeg(empty, (dir / "empty.jpg").string()));
    Image four;
    four.allocate(4, 4, 4);
    four.fill(0);
    EXPECT_FALSE(saveJpeg(four, (dir / "four.jpg").string()));
    EXPECT_EQ(openFileCount(), before);
}

TEST(Jpeg, HeaderAnnouncingTooManyPixelsIsRefusedWhenAskedTo)
{
    TempDir dir;
    const std::string path = (dir / "big.jpg").string();
    ASSERT_TRUE(saveJpeg(gradient(100, 100, 1), path));
    Image image;
    EXPECT_FALSE(loadJpeg(image, path, 9999));
    EXPECT_TRUE(loadJpeg(image, path, 10000));
}

TEST(JpegCorpus, EveryCameraPictureLoadsAsGreyOrRgb)
{
    QUORVANE_REQUIRE_CORPUS();
    struct Expected {
        const char* name;
        std::uint32_t width, height, components;
    };
    const Expected pictures[] = {
        {"grey_derived_olympus_pen_ep3.jpg", 1280, 960, 1},
        {"grey_hopper_noexif.jpg", 128, 128, 1},
        {"grey_f6t_o6.jpg", 80, 48, 1},
        {"kodak_dc240_mm.jpg", 640, 480, 3},
        {"canon_eos350d_progressive_mm.jpg", 800, 346, 3},
        {"nikon_d300_progressive_mm.jpg", 200, 133, 3},
        {"cmyk_adobe0_derived_sony_hx5v.jpg", 730, 547, 3},
        {"cmyk_ycck_multiple_icc_mm.jpg", 140, 140, 3},
        {"cmyk_ycck_pil_sample_mm.jpg", 100, 100, 3},
        // Damaged: libjpeg warns and fills in what is missing.
        {"truncated_derived_nikon_e950.jpg", 800, 600, 3},
        {"truncated_sony_e5823.jpg", 3840, 2160, 3},
        {"corrupt_olympus_u1020.jpg", 3648, 2736, 3},
    };
    const int before = openFileCount();
    for (const Expected& expected : pictures) {
        Image image;
        ASSERT_TRUE(image.loadJpeg((test::corpusDir() / "jpeg" / expected.name).string())) << expected.name;
        EXPECT_EQ(image.width, expected.width) << expected.name;
        EXPECT_EQ(image.height, expected.height) << expected.name;
        EXPECT_EQ(image.components, expected.components) << expected.name;
    }
    EXPECT_EQ(openFileCount(), before);
}

TEST(JpegCorpus, AdobeCmykLoadsAsTheColoursOfItsRgbOriginal)
{
    QUORVANE_REQUIRE_CORPUS();
    // The CMYK file was made from the RGB one by a colour-managed conversion;
    // the plain formula cannot match it exactly, but reading the inks the
    // wrong way round would give a negative.
    Image cmyk, rgb;
    ASSERT_TRUE(cmyk.loadJpeg((test::corpusDir() / "jpeg" / "cmyk_adobe0_derived_sony_hx5v.jpg").string()));
    ASSERT_TRUE(rgb.loadJpeg((test::corpusDir() / "jpeg" / "sony_dsc_hx5v.jpg").string()));
    ASSERT_EQ(cmyk.width, rgb.width);
    ASSERT_EQ(cmyk.height, rgb.height);
    ASSERT_EQ(cmyk.components, 3u);
    EXPECT_LT(meanDifference(cmyk, rgb), 25.0);

    Image negative;
    negative.allocate(rgb.width, rgb.height, 3);
    for (std::size_t i = 0; i < rgb.byteSize(); ++i)
        negative.pixels[i] = static_cast<std::uint8_t>(255 - rgb.pixels[i]);
    EXPECT_GT(meanDifference(cmyk, negative), 80.0);
}

// The staleness check reads a picture's first 64 KiB: what it learns from
// them must be what reading the whole file gives, or nothing.
TEST(PictureFacts, FromTheFirstBytesAsFromTheFileOrNotAtAll)
{
    TempDir dir;
    Image image;
    image.allocate(40, 30, 3);
    image.fill(0x336699);
    const std::filesystem::path plain = dir.path() / "plain.jpg";
    ASSERT_TRUE(image.saveJpeg(plain.string()));
    test::ExifBuilder exif(false);
    exif.shortValue(0x0112, 6);
    const std::string turned = test::withExifSegment(test::readFile(plain), exif.payload());
    // Two 40 KB segments after the Exif block push the frame header past
    // what is read.
    const std::size_t afterExif = turned.size() - test::readFile(plain).size() + 2;
    const std::string filler = test::segment(0xE2, std::string(40000, 'x'));
    const std::string padded = turned.substr(0, afterExif) + filler + filler + turned.substr(afterExif);
    const auto facts = [](const std::string& name, const std::string& bytes, std::size_t most) {
        const std::size_t size = std::min(bytes.size(), most);
        return pictureFactsFromHead(name, reinterpret_cast<const unsigned char*>(bytes.data()), size,
                                    size == bytes.size(), true);
    };
    for (const std::string* bytes : {&turned, &padded}) {
        const std::filesystem::path path = dir.path() / "turned.jpg";
        test::writeFile(path, *bytes);
        std::uint32_t width = 0, height = 0;
        ASSERT_TRUE(readPictureSize(path.string(), width, height));
        ASSERT_EQ(pictureOrientation(path.string()), 6);
        const PictureFacts whole = facts("turned.jpg", *bytes, bytes->size());
        EXPECT_TRUE(whole.known && whole.sized);
        EXPECT_EQ(whole.width, width);
        EXPECT_EQ(whole.height, height);
        EXPECT_EQ(whole.orientation, 6);
        EXPECT_EQ(facts("turned.jpg", *bytes, 65536).known, bytes == &turned);
    }
    EXPECT_EQ(facts("turned.jpg", turned, 65536).width, 40u);
    // Not a picture, all of it read: known to have no size, as from the file.
    const PictureFacts junk = facts("junk.jpg", "not a picture", 65536);
    EXPECT_TRUE(junk.known);
    EXPECT_FALSE(junk.sized);
    // Other formats are left to their own readers.
    EXPECT_FALSE(facts("turned.png", turned, 65536).known);
}

}  // namespace
}  // namespace quorvane
