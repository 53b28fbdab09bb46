#include "gui/preview/preview_logic.h"

#include <gtest/gtest.h>

#include <cstring>

#include "imaging/jpeg_io.h"
#include "imaging/resample.h"
#include "support/test_support.h"

namespace quorvane::gui {
namespace {

constexpr int kMagnify = FilterPoint;
constexpr int kReduce = FilterBox;

TEST(PreviewFit, LargePictureShrinksOneRowShortOfTheClientHeight)
{
    const PictureFit fit = fitPicture(2592, 1944, kPreviewClientWidth, kPreviewClientHeight, kMagnify,
                                      kReduce);
    EXPECT_EQ(fit.width, 607u);
    EXPECT_EQ(fit.height, 455u);
    EXPECT_EQ(fit.filter, kReduce);
    const Placement at = centrePicture(607, 455, kPreviewClientWidth, kPreviewClientHeight);
    EXPECT_EQ(at.left, 7);
    EXPECT_EQ(at.top, 0);
}

TEST(PreviewFit, ThumbnailIsEnlargedWithTheMagnificationFilter)
{
    const PictureFit fit = fitPicture(200, 150, kPreviewClientWidth, kPreviewClientHeight, kMagnify,
                                      kReduce);
    EXPECT_EQ(fit.width, 607u);
    EXPECT_EQ(fit.height, 455u);
    EXPECT_EQ(fit.filter, kMagnify);
    // Exactly the client size is not an enlargement.
    EXPECT_EQ(fitPicture(621, 456, 621, 456, kMagnify, kReduce).filter, kReduce);
    // Portrait: the height decides.
    const PictureFit portrait = fitPicture(1944, 2592, kPreviewClientWidth, kPreviewClientHeight,
                                           kMagnify, kReduce);
    EXPECT_EQ(portrait.height, 455u);
    EXPECT_EQ(portrait.width, 341u);
}

TEST(VideoPlacement, SmallVideoIsEnlargedKeepingItsAspect)
{
    const std::optional<Placement> at = placeVideo(320, 240, 621, 456);
    ASSERT_TRUE(at);
    EXPECT_EQ(at->width, 608);
    EXPECT_EQ(at->height, 456);
    EXPECT_EQ(at->left, 6);
    EXPECT_EQ(at->top, 0);

    // Wider than the client area: the width decides and it is centred down.
    const std::optional<Placement> wide = placeVideo(1242, 456, 621, 456);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->width, 621);
    EXPECT_EQ(wide->height, 228);
    EXPECT_EQ(wide->left, 0);
    EXPECT_EQ(wide->top, 114);

    EXPECT_FALSE(placeVideo(-1, -1, 621, 456));
    EXPECT_FALSE(placeVideo(320, 240, 0, 456));
}

class PreviewFile : public ::testing::Test {
protected:
    PreviewFile() : picture_("beach.jpg", (dir_ / "album" / "Holidays").string(), "/Holidays")
    {
        test::writeFile(dir_ / "album" / "Holidays" / "beach.jpg", "source");
    }

    test::TempDir dir_;
    AlbumPicture picture_;
};

TEST_F(PreviewFile, ThumbnailWhenPreferredAndPresentElseTheSource)
{
    const std::string source = (dir_ / "album" / "Holidays" / "beach.jpg").string();
    const std::string besideSource = (dir_ / "album" / "Holidays" / "thm_beach.jpg").string();
    EXPECT_EQ(previewFilePath(picture_, nullptr, true), source);
    test::writeFile(besideSource, "thumbnail");
    EXPECT_EQ(previewFilePath(picture_, nullptr, true), besideSource);
    EXPECT_EQ(previewFilePath(picture_, nullptr, false), source);

    ProjectOptions project;
    project.useDestPath = 1;
    project.outputFolder = (dir_ / "web").string();
    // The destination folder holds the project's thumbnails; none there yet.
    EXPECT_EQ(previewFilePath(picture_, &project, true), source);
    const std::string inDestination = (dir_ / "web" / "Holidays" / "thm_beach.jpg").string();
    test::writeFile(inDestination, "thumbnail");
    EXPECT_EQ(previewFilePath(picture_, &project, true), inDestination);
    project.useDestPath = 0;
    EXPECT_EQ(previewFilePath(picture_, &project, true), besideSource);
}

// Horizontal stripes, so that every filter gives its own result.
Image stripes(std::uint32_t width, std::uint32_t height)
{
    Image image;
    image.allocate(width, height, 3);
    for (std::uint32_t y = 0; y < height; ++y)
        std::memset(image.row(y), (y / 7) % 2 ? 230 : 20, image.rowBytes());
    return image;
}

TEST(LoadPreviewPicture, FitsWithTheFilterTheScaleChooses)
{
    test::TempDir dir;
    const std::string path = (dir / "thm_small.jpg").string();
    ASSERT_TRUE(saveJpeg(stripes(200, 150), path));

    Image shown;
    const PreviewLoad load = loadPreviewPicture(shown, path, kPreviewClientWidth, kPreviewClientHeight,
                                                FilterBilinear, FilterPoint);
    ASSERT_TRUE(load.ok);
    EXPECT_GE(load.decodeSeconds, 0.0);
    EXPECT_GE(load.resizeSeconds, 0.0);
    ASSERT_EQ(shown.width, 607u);
    ASSERT_EQ(shown.height, 455u);

    Image expected;
    ASSERT_TRUE(loadJpeg(expected, path));
    resample(expected, FilterBilinear, 607, 455);
    Image other;
    ASSERT_TRUE(loadJpeg(other, path));
    resample(other, FilterPoint, 607, 455);
    const auto bytes = [](const Image& image) {
        return std::string(reinterpret_cast<const char*>(image.pixels.get()), image.byteSize());
    };
    EXPECT_EQ(bytes(shown), bytes(expected));
    EXPECT_NE(bytes(shown), bytes(other));
}

TEST(LoadPreviewPicture, DamagedFileLeavesNoPicture)
{
    test::TempDir dir;
    test::writeFile(dir / "broken.jpg", "\xFF\xD8\xFF\xE0 not a picture");
    Image shown;
    EXPECT_FALSE(loadPreviewPicture(shown, (dir / "broken.jpg").string(), 621, 456, 1, 2).ok);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(loadPreviewPicture(shown, (dir / "missing.jpg").string(), 621, 456, 1, 2).ok);
}

}  // namespace
}  // namespace quorvane::gui
