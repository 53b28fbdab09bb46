#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "album/album_tree.h"
#include "album/generated_names.h"
#include "imaging/mosaic_layout.h"
#include "imaging/resample.h"

namespace quorvane {
namespace {

std::vector<std::vector<std::uint32_t>> boxes(const std::vector<MosaicCell>& cells)
{
    std::vector<std::vector<std::uint32_t>> out;
    for (const MosaicCell& cell : cells)
        out.push_back({cell.x, cell.y, cell.width, cell.height});
    return out;
}

using Boxes = std::vector<std::vector<std::uint32_t>>;

TEST(MosaicLayout, FewEntriesShareTheWholeCanvas)
{
    // The default grid (4 × 4 cells of 50 × 37) gives a 199 × 147 canvas.
    EXPECT_EQ(boxes(mosaicLayout(1, 4, 4, 199, 147)), (Boxes{{0, 0, 199, 147}}));
    EXPECT_EQ(boxes(mosaicLayout(2, 4, 4, 199, 147)), (Boxes{{0, 0, 99, 147}, {99, 0, 100, 147}}));
    EXPECT_EQ(boxes(mosaicLayout(3, 4, 4, 199, 147)),
              (Boxes{{0, 0, 99, 73}, {99, 0, 100, 73}, {0, 73, 199, 74}}));
    EXPECT_EQ(mosaicLayout(4, 4, 4, 199, 147).size(), 4u);
    EXPECT_EQ(mosaicLayout(40, 4, 4, 199, 147).size(), 16u);
    EXPECT_TRUE(mosaicLayout(0, 4, 4, 199, 147).empty());
    EXPECT_TRUE(mosaicLayout(3, 0, 4, 199, 147).empty());
    // A one-row grid keeps them in one row.
    EXPECT_EQ(boxes(mosaicLayout(3, 5, 1, 30, 10)), (Boxes{{0, 0, 10, 10}, {10, 0, 10, 10}, {20, 0, 10, 10}}));

    // Every pixel of the canvas belongs to exactly one cell, for every count.
    for (int entries = 1; entries <= 20; ++entries) {
        std::vector<int> covered(324 * 195, 0);
        for (const MosaicCell& cell : mosaicLayout(entries, 5, 4, 324, 195))
            for (std::uint32_t y = cell.y; y < cell.y + cell.height; ++y)
                for (std::uint32_t x = cell.x; x < cell.x + cell.width; ++x)
                    ++covered[y * 324 + x];
        EXPECT_EQ(std::count(covered.begin(), covered.end(), 1), 324 * 195) << entries;
    }
}

TEST(MosaicLayout, FillBoxCropsTheMiddleWithoutBlackEdges)
{
    // 8 × 2: left quarter red, middle half green, right quarter blue.
    Image image;
    image.allocate(8, 2, 3);
    for (std::uint32_t y = 0; y < 2; ++y)
        for (std::uint32_t x = 0; x < 8; ++x) {
            std::uint8_t* p = image.at(x, y);
            p[0] = x < 2 ? 255 : 0;
            p[1] = x >= 2 && x < 6 ? 255 : 0;
            p[2] = x >= 6 ? 255 : 0;
        }
    fillBox(image, 4, 2, FilterBox, FilterBilinear);
    ASSERT_EQ(image.width, 4u);
    ASSERT_EQ(image.height, 2u);
    for (std::uint32_t y = 0; y < 2; ++y)
        for (std::uint32_t x = 0; x < 4; ++x)
            EXPECT_EQ(image.at(x, y)[1], 255) << x << "," << y;

    // A thumbnail barely larger than its cell keeps its first row and
    // column (Box at an unchanged side would black them).
    Image grey;
    grey.allocate(200, 150, 3);
    grey.fill(0x808080);
    fillBox(grey, 199, 147, FilterBox, FilterNone);
    ASSERT_EQ(grey.width, 199u);
    ASSERT_EQ(grey.height, 147u);
    EXPECT_EQ(grey.at(0, 0)[0], 0x80);
    EXPECT_EQ(grey.at(198, 146)[0], 0x80);
    // Enlarging with None still covers the cell.
    Image small;
    small.allocate(10, 10, 1);
    small.fill(7);
    fillBox(small, 40, 20, FilterBox, FilterNone);
    EXPECT_EQ(small.width, 40u);
    EXPECT_EQ(small.at(0, 0)[0], 7);
}

TEST(GeneratedNames, OtherFormatsGetJpgAppendedAndTwiceSizeNamesStayApart)
{
    EXPECT_EQ(thumbnailName("IMG_0001.jpg"), "thm_IMG_0001.jpg");
    EXPECT_EQ(thumbnailName("IMG_0001.heic"), "thm_IMG_0001.heic.jpg");
    EXPECT_EQ(intermediateName("a.PNG"), "inter_a.PNG.jpg");
    EXPECT_EQ(highDensityName(thumbnailName("IMG_0001.JPG")), "thm_IMG_0001@2x.jpg");
    EXPECT_EQ(highDensityName(intermediateName("IMG_0001.heic")), "inter_IMG_0001.heic@2x.jpg");
    EXPECT_EQ(highDensityName(directoryThumbnailName("Space")), "thm_dir_Space@2x.jpg");

    AlbumDirectory directory("d");
    const auto add = [&directory](const char* name) {
        auto picture = std::make_unique<AlbumPicture>(name, "/d", "");
        picture->mediaKind = MediaPicture;
        return directory.appendFile(std::move(picture));
    };
    const AlbumPicture* plain = add("IMG_0001.jpg");
    const AlbumPicture* literal = add("IMG_0001@2x.JPG");  // named like plain's 2x file
    const AlbumPicture* heic = add("IMG_0001.heic");
    const AlbumPicture* first = add("b.jpg");
    const AlbumPicture* second = add("b.jpeg");  // same 2x name as b.jpg
    directory.appendSubdirectory(std::make_unique<AlbumDirectory>("X"));
    directory.appendSubdirectory(std::make_unique<AlbumDirectory>("X@2x"));
    const HighDensityNames names(directory);
    EXPECT_FALSE(names.allowed(*plain));
    EXPECT_TRUE(names.allowed(*literal));
    EXPECT_TRUE(names.allowed(*heic));
    EXPECT_TRUE(names.allowed(*first));
    EXPECT_FALSE(names.allowed(*second));
    EXPECT_FALSE(names.allowed(*directory.subdirectories.first()));
    EXPECT_TRUE(names.allowed(*List<AlbumDirectory>::next(*directory.subdirectories.first())));
}

}  // namespace
}  // namespace quorvane
