#include <gtest/gtest.h>

#include <png.h>

#include <array>
#include <cstdio>
#include <string>

#include "imaging/exif_reader.h"
#include "imaging/orientation.h"
#include "imaging/picture_format.h"
#include "imaging/picture_reader.h"
#include "tests/support/test_support.h"

namespace quorvane {
namespace {

using Pixel = std::array<int, 3>;

Pixel pixelAt(const Image& image, std::uint32_t x, std::uint32_t y)
{
    const std::uint8_t* p = image.at(x, y);
    return image.components == 1 ? Pixel{p[0], p[0], p[0]} : Pixel{p[0], p[1], p[2]};
}

// A 3 × 2 picture whose corners are red (top left), green (top right), blue
// (bottom left) and white (bottom right), the middle column grey.
Image cornerFixture()
{
    Image image;
    image.allocate(3, 2, 3);
    image.fill(0x808080);
    const auto set = [&image](std::uint32_t x, std::uint32_t y, Pixel value) {
        for (int c = 0; c < 3; ++c)
            image.at(x, y)[c] = static_cast<std::uint8_t>(value[std::size_t(c)]);
    };
    set(0, 0, {255, 0, 0});
    set(2, 0, {0, 255, 0});
    set(0, 1, {0, 0, 255});
    set(2, 1, {255, 255, 255});
    return image;
}

TEST(Orientation, EachValueTurnsTheStoredCornersUpright)
{
    const Pixel red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255};
    // Upright corners (top left, top right, bottom left, bottom right) for a
    // picture stored as cornerFixture() with each Exif Orientation.
    struct Expected {
        int orientation;
        std::uint32_t width, height;
        Pixel topLeft, topRight, bottomLeft, bottomRight;
    };
    const Expected expected[] = {
        {1, 3, 2, red, green, blue, white},   {2, 3, 2, green, red, white, blue},
        {3, 3, 2, white, blue, green, red},   {4, 3, 2, blue, white, red, green},
        {5, 2, 3, red, blue, green, white},   {6, 2, 3, blue, red, white, green},
        {7, 2, 3, white, green, blue, red},   {8, 2, 3, green, white, red, blue},
        {0, 3, 2, red, green, blue, white},   {9, 3, 2, red, green, blue, white},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.orientation);
        Image image = cornerFixture();
        applyOrientation(image, e.orientation);
        ASSERT_EQ(image.width, e.width);
        ASSERT_EQ(image.height, e.height);
        EXPECT_EQ(pixelAt(image, 0, 0), e.topLeft);
        EXPECT_EQ(pixelAt(image, e.width - 1, 0), e.topRight);
        EXPECT_EQ(pixelAt(image, 0, e.height - 1), e.bottomLeft);
        EXPECT_EQ(pixelAt(image, e.width - 1, e.height - 1), e.bottomRight);
    }
}

TEST(PictureFormat, NamesTellTheDecoderAndTheGeneratedSuffix)
{
    EXPECT_EQ(pictureFormatOf("a.JPG"), PictureFormat::Jpeg);
    EXPECT_EQ(pictureFormatOf("a.jpgx"), PictureFormat::Jpeg);  // the old prefix rule stays
    EXPECT_EQ(pictureFormatOf("IMG_0001.HEIC"), PictureFormat::Heif);
    EXPECT_EQ(pictureFormatOf("cat.hif"), PictureFormat::Heif);
    EXPECT_EQ(pictureFormatOf("clip.avif"), PictureFormat::Heif);
    EXPECT_EQ(pictureFormatOf("x.PnG"), PictureFormat::Png);
    EXPECT_EQ(pictureFormatOf("x.webp"), PictureFormat::Webp);
    EXPECT_EQ(pictureFormatOf("x.pngx"), PictureFormat::Unknown);
    EXPECT_EQ(pictureFormatOf("movie.avi"), PictureFormat::Unknown);
    EXPECT_EQ(generatedNameSuffix("a.jpeg"), "");
    EXPECT_EQ(generatedNameSuffix("IMG_0001.heic"), ".jpg");
}

// Writes an 8-bit RGBA PNG of width × 1 pixels, with an eXIf chunk holding
// the orientation when it is not 0.
void writeRgbaPng(const std::string& path, const std::vector<std::uint8_t>& rgba, int orientation)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    const auto width = static_cast<png_uint_32>(rgba.size() / 4);
    png_set_IHDR(png, info, width, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Little-endian TIFF with one IFD0 entry: Orientation (SHORT).
    png_byte exif[] = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0,
                       static_cast<png_byte>(orientation), 0, 0, 0, 0, 0, 0, 0};
    if (orientation != 0)
        png_set_eXIf_1(png, info, sizeof exif, exif);
    png_write_info(png, info);
    png_write_row(png, rgba.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

TEST(TodaysDecoders, PngAlphaIsComposedOverTheBackgroundAndExifGivesTheOrientation)
{
    test::TempDir dir;
    const std::string path = (dir / "alpha.png").string();
    writeRgbaPng(path, {200, 10, 20, 255, 200, 10, 20, 0, 255, 255, 255, 128}, 6);

    Image image;
    ASSERT_TRUE(loadPicture(image, path, DecodeSettings{0x102030}));
    ASSERT_EQ(image.components, 3u);
    EXPECT_EQ(pixelAt(image, 0, 0), (Pixel{200, 10, 20}));   // opaque: unchanged
    EXPECT_EQ(pixelAt(image, 1, 0), (Pixel{16, 32, 48}));    // transparent: background
    EXPECT_EQ(pixelAt(image, 2, 0), (Pixel{136, 144, 152}));  // half: (255·128 + b·127) / 255
    ASSERT_TRUE(loadPicture(image, path));
    EXPECT_EQ(pixelAt(image, 1, 0), (Pixel{255, 255, 255}));  // white unless told otherwise
    EXPECT_EQ(pictureOrientation(path), 6);
}

TEST(TodaysDecoders, DamagedAndOversizedFilesAreRefusedCleanly)
{
    test::TempDir dir;
    const std::string png = (dir / "wide.png").string();
    writeRgbaPng(png, std::vector<std::uint8_t>(4 * 64, 255), 0);
    Image image;
    DecodeSettings small;
    small.maxPixels = 63;
    EXPECT_FALSE(loadPicture(image, png, small));
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(pictureOrientation(png), 1);

    // A file cut after its header, and text under each of today's names.
    const std::string whole = test::readFile(png);
    test::writeFile(dir / "cut.png", whole.substr(0, 40));
    EXPECT_FALSE(loadPicture(image, (dir / "cut.png").string()));
    for (const char* name : {"x.png", "x.webp", "x.heic", "x.avif"}) {
        test::writeFile(dir / name, "not a picture at all, just some text");
        EXPECT_FALSE(loadPicture(image, (dir / name).string())) << name;
        EXPECT_TRUE(readTodaysExifBlock((dir / name).string()).empty()) << name;
    }
}

struct CorpusPicture {
    const char* file;
    std::uint32_t width, height;  // as decoded, before the Exif turn
    int orientation;              // still to apply
    const char* model;            // Exif Model, nullptr when none is expected
};

TEST(TodaysDecoders, CorpusPicturesDecodeWithTheirSizeOrientationAndExif)
{
    QUORVANE_REQUIRE_CORPUS();
    const CorpusPicture pictures[] = {
        // libheif applies irot: stored 4032 × 3024, shown upright.
        {"apple_iphone8plus_o6_arrow.heic", 3024, 4032, 1, "iPhone 8 Plus"},
        {"apple_iphone11promax_cropped_2566x3313.heic", 2566, 3313, 1, "iPhone 11 Pro Max"},
        {"grid_2x2_paintnet.avif", 800, 600, 1, nullptr},  // the primary, not a tile
        {"pixel4a_sdr_gainmap_tmap.avif", 400, 300, 1, "Pixel 4a"},
        {"nikon_coolpix_p7000_o6_exif_xmp.webp", 3648, 2736, 6, "COOLPIX P7000"},
        {"animated_lossy.webp", 320, 240, 1, nullptr},
        {"palette_photo_indexed.png", 290, 442, 1, nullptr},
        {"pixel4a_exif_after_idat.png", 403, 302, 1, "Pixel 4a"},
        {"sony_ilce7sm3_10bit_crop_16bit_derived.png", 640, 480, 1, nullptr},
        {"samsung_sm_j327t1_o8_derived.jpg", 2576, 1920, 8, "SM-J327T1"},
    };
    for (const CorpusPicture& expected : pictures) {
        SCOPED_TRACE(expected.file);
        const std::string path = (test::corpusDir() / "modern" / expected.file).string();
        Image image;
        ASSERT_TRUE(loadPicture(image, path));
        EXPECT_EQ(image.width, expected.width);
        EXPECT_EQ(image.height, expected.height);
        EXPECT_EQ(image.components, 3u);
        EXPECT_EQ(pictureOrientation(path), expected.orientation);
        std::string model;
        readExif(path, [&model](const ExifValue& value) {
            if (value.tag == 0x0110)
                model = std::string(value.text);
        });
        EXPECT_EQ(model, expected.model ? expected.model : "");
    }
    // libheif 1.15 cannot open this one: a clean refusal, not a crash.
    Image image;
    EXPECT_FALSE(loadPicture(image, (test::corpusDir() / "modern/apple_iphone16_ios26_many_aux.heic").string()));
}

TEST(TodaysDecoders, TheHeicArrowPointsUp)
{
    QUORVANE_REQUIRE_CORPUS();
    Image image;
    ASSERT_TRUE(loadPicture(image, (test::corpusDir() / "modern/apple_iphone8plus_o6_arrow.heic").string()));
    // The arrow's tip is dark ink near the top centre; the paper right below
    // the bottom centre stays light only when the picture is upright.
    const auto darkness = [&image](std::uint32_t x0, std::uint32_t y0) {
        int dark = 0;
        for (std::uint32_t y = y0; y < y0 + 400; ++y)
            for (std::uint32_t x = x0; x < x0 + 400; ++x)
                dark += image.at(x, y)[0] < 90;
        return dark;
    };
    EXPECT_GT(darkness(1312, 400), darkness(1312, 3200));
}

}  // namespace
}  // namespace quorvane
