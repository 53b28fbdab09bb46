#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "album/album_tree.h"
#include "imaging/jpeg_io.h"
#include "jobs/thumbnail_generator.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

// A picture of four flat quadrants: red top left, green top right, blue
// bottom left, white bottom right.
Image quadrants(std::uint32_t width, std::uint32_t height)
{
    Image image;
    image.allocate(width, height, 3);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            std::uint8_t* p = image.at(x, y);
            p[0] = (!right && !bottom) || (right && bottom) ? 255 : 0;
            p[1] = right ? 255 : 0;
            p[2] = bottom ? 255 : 0;
        }
    return image;
}

// Writes image as a JPEG file with an Exif block whose IFD0 holds only the
// orientation (none when 0).
void writeJpegWithOrientation(const Image& image, const fs::path& path, int orientation)
{
    ASSERT_TRUE(saveJpeg(image, path.string()));
    if (orientation == 0)
        return;
    const std::string plain = test::readFile(path);
    const unsigned char app1[] = {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8,
                                  0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, static_cast<unsigned char>(orientation),
                                  0, 0, 0, 0, 0, 0};
    test::writeFile(path, plain.substr(0, 2) + std::string(reinterpret_cast<const char*>(app1), sizeof app1) +
                              plain.substr(2));
}

// Which quadrant colour a pixel shows, read loosely (JPEG changes flat
// colours by a few steps).
char colourAt(const Image& image, std::uint32_t x, std::uint32_t y)
{
    const std::uint8_t* p = image.at(x, y);
    const bool r = p[0] > 128, g = p[1] > 128, b = p[2] > 128;
    return r && g && b ? 'W' : r ? 'R' : g ? 'G' : b ? 'B' : 'K';
}

// Two pixels in from each corner: Box leaves the first row and column black
// when it shrinks by less than two.
std::string corners(const Image& image)
{
    return {colourAt(image, 2, 2), colourAt(image, image.width - 3, 2), colourAt(image, 2, image.height - 3),
            colourAt(image, image.width - 3, image.height - 3)};
}

struct Album {
    Album() : root(std::make_unique<AlbumDirectory>((dir / "root").string()))
    {
        root->fullPath = root->name;
        fs::create_directories(root->fullPath);
        options.useDestPath = 0;
        options.thumbWidth = 40;
        options.thumbHeight = 30;
        options.intermediateWidth = 64;
        options.intermediateHeight = 48;
    }
    AlbumPicture& add(AlbumDirectory& directory, const std::string& name)
    {
        auto file = std::make_unique<AlbumPicture>(name, directory.fullPath, directory.relativeDirectory);
        file->mediaKind = MediaPicture;
        return *directory.appendFile(std::move(file));
    }
    AlbumDirectory& addDirectory(const std::string& name)
    {
        auto directory = std::make_unique<AlbumDirectory>(name);
        directory->fullPath = root->fullPath + "/" + name;
        directory->relativeDirectory = "/" + name;
        fs::create_directories(directory->fullPath);
        return *root->appendSubdirectory(std::move(directory));
    }
    Image load(const std::string& relative) const
    {
        Image image;
        EXPECT_TRUE(loadJpeg(image, root->fullPath + "/" + relative)) << relative;
        return image;
    }
    void generate()
    {
        ThumbnailGenerator generator(options, {}, 1);
        generator.generateAlbumImages(true, *root);
        EXPECT_EQ(generator.failedPictures(), 0);
    }

    test::TempDir dir;
    std::unique_ptr<AlbumDirectory> root;
    ProjectOptions options;
};

TEST(UprightThumbnails, OrientationSixFitsByTheUprightSizeAndTurnsTheSmallPicture)
{
    Album album;
    album.options.highDensity = 0;
    // Stored 80 × 60, shown 60 × 80 (turned clockwise).
    writeJpegWithOrientation(quadrants(80, 60), fs::path(album.root->fullPath) / "p.jpg", 6);
    album.add(*album.root, "p.jpg");
    album.generate();
    const Image intermediate = album.load("inter_p.jpg");
    EXPECT_EQ(intermediate.width, 36u);  // 64 × 48 box: 36 × 48 upright, not 64 × 48
    EXPECT_EQ(intermediate.height, 48u);
    EXPECT_EQ(corners(intermediate), "BRWG");
    const Image thumbnail = album.load("thm_p.jpg");
    EXPECT_EQ(thumbnail.width, 22u);  // made from the intermediate image
    EXPECT_EQ(thumbnail.height, 29u);
    EXPECT_EQ(corners(thumbnail), "BRWG");

    // Mirrored and turned by 180 degrees.
    for (const auto& [orientation, expected] : {std::pair{2, "GRWB"}, std::pair{3, "WBGR"}, std::pair{7, "WGBR"}}) {
        writeJpegWithOrientation(quadrants(80, 60), fs::path(album.root->fullPath) / "p.jpg", orientation);
        album.generate();
        EXPECT_EQ(corners(album.load("thm_p.jpg")), expected) << orientation;
    }
}

TEST(UprightThumbnails, WithTheOptionOffTheFilesAreThoseOfAPictureWithoutOrientation)
{
    Album turned, plain;
    for (Album* album : {&turned, &plain}) {
        album->options.exifOrientation = 0;
        album->options.todaysFormats = 0;
        album->options.highDensity = 0;
        album->options.intermediateActive = 1;
        album->add(*album->root, "p.jpg");
        AlbumDirectory& sub = album->addDirectory("Sub");
        album->add(sub, "q.jpg");
    }
    writeJpegWithOrientation(quadrants(80, 60), fs::path(turned.root->fullPath) / "p.jpg", 6);
    writeJpegWithOrientation(quadrants(80, 60), fs::path(turned.root->fullPath) / "Sub/q.jpg", 8);
    writeJpegWithOrientation(quadrants(80, 60), fs::path(plain.root->fullPath) / "p.jpg", 0);
    writeJpegWithOrientation(quadrants(80, 60), fs::path(plain.root->fullPath) / "Sub/q.jpg", 0);
    turned.generate();
    plain.generate();
    for (const char* file : {"thm_p.jpg", "inter_p.jpg", "Sub/thm_q.jpg", "Sub/inter_q.jpg", "thm_dir_Sub.jpg"})
        EXPECT_EQ(test::readFile(fs::path(turned.root->fullPath) / file),
                  test::readFile(fs::path(plain.root->fullPath) / file))
            << file;
    EXPECT_FALSE(fs::exists(fs::path(turned.root->fullPath) / "thm_p@2x.jpg"));
}

TEST(TwiceSizeImages, EachGeneratedFileGetsAnAt2xTwinUnlessAPictureHasThatName)
{
    Album album;
    album.options.intermediateActive = 1;
    const fs::path root = album.root->fullPath;
    writeJpegWithOrientation(quadrants(400, 300), root / "a.jpg", 0);
    Image grey, blue;
    grey.allocate(400, 300, 3);
    grey.fill(0x808080);
    blue.allocate(400, 300, 3);
    blue.fill(0xFF0000);  // little-endian: B = 255
    ASSERT_TRUE(saveJpeg(grey, (root / "b.jpg").string()));
    ASSERT_TRUE(saveJpeg(blue, (root / "b@2x.jpg").string()));  // named like b's twice-size file
    album.add(*album.root, "a.jpg");
    album.add(*album.root, "b@2x.jpg");
    album.add(*album.root, "b.jpg");  // after it: its twice-size file would overwrite
    AlbumDirectory& sub = album.addDirectory("Sub");
    writeJpegWithOrientation(quadrants(400, 300), root / "Sub/c.jpg", 0);
    album.add(sub, "c.jpg");
    album.generate();

    // From the 128 × 96 intermediate: fitting truncates 80 × 60 by one.
    EXPECT_EQ(album.load("thm_a@2x.jpg").width, 79u);
    EXPECT_EQ(album.load("thm_a@2x.jpg").height, 59u);
    EXPECT_EQ(corners(album.load("thm_a@2x.jpg")), "RGBW");
    EXPECT_EQ(album.load("inter_a@2x.jpg").width, 128u);
    EXPECT_EQ(album.load("thm_a.jpg").width, 39u);
    // b@2x.jpg keeps its own thumbnail; b.jpg has none at twice the size.
    const Image literal = album.load("thm_b@2x.jpg");
    EXPECT_EQ(literal.width, 39u);
    EXPECT_EQ(colourAt(literal, 5, 5), 'B');
    EXPECT_EQ(album.load("thm_b@2x@2x.jpg").width, 79u);
    const Image directory = album.load("thm_dir_Sub.jpg");
    const Image directory2x = album.load("thm_dir_Sub@2x.jpg");
    EXPECT_EQ(directory.width, 4u * (50 + 1) - 1);
    EXPECT_EQ(directory2x.width, 4u * (2 * 50 + 1) - 1);
    EXPECT_EQ(directory2x.height, 4u * (2 * 37 + 1) - 1);
}

TEST(FilledFolderCovers, AFolderWithFewPicturesLeavesNoBlackCell)
{
    Album album;
    album.options.highDensity = 0;
    AlbumDirectory& one = album.addDirectory("One");
    AlbumDirectory& three = album.addDirectory("Three");
    writeJpegWithOrientation(quadrants(80, 60), fs::path(one.fullPath) / "a.jpg", 0);
    album.add(one, "a.jpg");
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        writeJpegWithOrientation(quadrants(80, 60), fs::path(three.fullPath) / name, 0);
        album.add(three, name);
    }
    album.generate();
    for (const char* file : {"thm_dir_One.jpg", "thm_dir_Three.jpg"}) {
        const Image cover = album.load(file);
        EXPECT_EQ(cover.width, 203u);  // the size of today's covers
        EXPECT_EQ(cover.height, 151u);
        int black = 0;
        for (std::uint32_t y = 0; y < cover.height; ++y)
            for (std::uint32_t x = 0; x < cover.width; ++x)
                black += colourAt(cover, x, y) == 'K';
        EXPECT_LT(black, int(cover.width + cover.height)) << file;  // seams of JPEG rounding at most
    }
    // One picture fills the cover: its four quadrants at the corners.
    EXPECT_EQ(corners(album.load("thm_dir_One.jpg")), "RGBW");
}

// Filled covers are laid out for the pictures that decoded: before, the
// undecodable first picture left half of this cover black.
TEST(FolderCovers, AnUndecodablePictureLeavesTheWholeCoverToTheOthers)
{
    Album album;
    album.options.highDensity = 0;
    AlbumDirectory& sub = album.addDirectory("Sub");
    test::writeFile(fs::path(sub.fullPath) / "a_broken.jpg", "\xFF\xD8 not a picture");
    album.add(sub, "a_broken.jpg");
    writeJpegWithOrientation(quadrants(80, 60), fs::path(sub.fullPath) / "b.jpg", 0);
    album.add(sub, "b.jpg");
    ThumbnailGenerator generator(album.options, {}, 2);
    generator.generateAlbumImages(true, *album.root);
    EXPECT_EQ(generator.failedPictures(), 1);
    const Image cover = album.load("thm_dir_Sub.jpg");
    ASSERT_EQ(cover.width, 203u);
    // b alone fills the cover (read back from its thumbnail file, whose JPEG
    // edge darkens the outermost pixels: quadrant middles).
    const std::string middles{colourAt(cover, 50, 37), colourAt(cover, 152, 37), colourAt(cover, 50, 113),
                              colourAt(cover, 152, 113)};
    EXPECT_EQ(middles, "RGBW");
}

TEST(TodaysFormats, APngAndAJpegOfTheSameNameKeepTheirOwnThumbnails)
{
    Album album;
    album.options.highDensity = 0;
    const fs::path root = album.root->fullPath;
    Image grey;
    grey.allocate(80, 60, 3);
    grey.fill(0x808080);
    ASSERT_TRUE(saveJpeg(grey, (root / "IMG_0001.jpg").string()));
    // A real HEIC file from the corpus when present; without it only the
    // JPEG half runs.
    album.add(*album.root, "IMG_0001.jpg");
    if (!test::corpusDir().empty()) {
        fs::copy_file(test::corpusDir() / "modern/apple_iphone8plus_o6_arrow.heic", root / "IMG_0001.HEIC");
        album.add(*album.root, "IMG_0001.HEIC");
    }
    album.generate();
    EXPECT_EQ(album.load("thm_IMG_0001.jpg").width, 39u);
    if (!test::corpusDir().empty()) {
        const Image heic = album.load("thm_IMG_0001.HEIC.jpg");
        EXPECT_EQ(heic.width, 22u);  // upright portrait 3024 × 4032 in 40 × 30,
        EXPECT_EQ(heic.height, 29u);  // by way of its 36 × 48 intermediate
        EXPECT_EQ(album.load("inter_IMG_0001.HEIC.jpg").height, 48u);
    }
}

}  // namespace
}  // namespace quorvane
