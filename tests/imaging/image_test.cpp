#include "imaging/image.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorvane {
namespace {

std::vector<int> samples(const Image& image)
{
    return std::vector<int>(image.pixels.get(), image.pixels.get() + image.byteSize());
}

TEST(Image, NewImageIsEmptyAndAllocateStoresTheNumbers)
{
    Image image;
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.width, 0u);
    EXPECT_EQ(image.height, 0u);
    EXPECT_EQ(image.components, 0u);

    EXPECT_TRUE(image.allocate(5, 4, 3));
    EXPECT_FALSE(image.empty());
    EXPECT_EQ(image.byteSize(), 60u);
    EXPECT_EQ(image.row(2) - image.row(0), 30);

    image.allocate(0, 4, 3);
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.height, 4u);

    image.allocate(2, 2, 1);
    image.release();
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.components, 0u);
}

TEST(Image, FillTakesTheLowBytesLittleEndian)
{
    Image colour;
    colour.allocate(2, 2, 3);
    colour.fill(0x00332211);
    EXPECT_EQ(samples(colour), (std::vector<int>{0x11, 0x22, 0x33, 0x11, 0x22, 0x33, 0x11, 0x22, 0x33,
                                                 0x11, 0x22, 0x33}));
    colour.fill(0);
    EXPECT_EQ(samples(colour), std::vector<int>(12, 0));

    Image grey;
    grey.allocate(3, 1, 1);
    grey.fill(0x1234);
    EXPECT_EQ(samples(grey), (std::vector<int>{0x34, 0x34, 0x34}));
}

TEST(Image, PasteGreyIntoColourWritesTheValueIntoEveryChannel)
{
    Image canvas;
    canvas.allocate(4, 3, 3);
    canvas.fill(0);
    Image grey;
    grey.allocate(2, 1, 1);
    grey.pixels[0] = 40;
    grey.pixels[1] = 200;
    grey.pasteInto(canvas, 1, 2);
    for (std::uint32_t y = 0; y < 3; ++y)
        for (std::uint32_t x = 0; x < 4; ++x) {
            const int expected = (y == 2 && x == 1) ? 40 : (y == 2 && x == 2) ? 200 : 0;
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(canvas.at(x, y)[k], expected) << x << "," << y;
        }
}

TEST(Image, PasteColourLandsAtTheOffsetInStorageOrder)
{
    Image canvas;
    canvas.allocate(3, 3, 3);
    canvas.fill(0);
    Image picture;
    picture.allocate(2, 2, 3);
    for (std::size_t i = 0; i < picture.byteSize(); ++i)
        picture.pixels[i] = static_cast<std::uint8_t>(i + 1);
    picture.pasteInto(canvas, 1, 1);
    EXPECT_EQ(samples(canvas), (std::vector<int>{0, 0, 0, 0, 0,  0,  0, 0, 0,   //
                                                 0, 0, 0, 1, 2,  3,  4, 5, 6,   //
                                                 0, 0, 0, 7, 8,  9, 10, 11, 12}));
}

TEST(Image, PasteIsClippedToTheCanvasAndToTheGivenBox)
{
    Image picture;
    picture.allocate(4, 4, 1);
    picture.fill(9);

    // Past the right and bottom edges: only the part inside is written.
    Image canvas;
    canvas.allocate(5, 5, 3);
    canvas.fill(0);
    picture.pasteInto(canvas, 3, 2);
    int written = 0;
    for (std::size_t i = 0; i < canvas.byteSize(); ++i)
        written += canvas.pixels[i] == 9;
    EXPECT_EQ(written, 2 * 3 * 3);
    EXPECT_EQ(canvas.at(4, 4)[2], 9);
    EXPECT_EQ(canvas.at(2, 4)[0], 0);

    // Inside the canvas but cut to a 2 × 1 box (a grid cell).
    canvas.fill(0);
    picture.pasteInto(canvas, 0, 0, 2, 1);
    EXPECT_EQ(canvas.at(0, 0)[0], 9);
    EXPECT_EQ(canvas.at(1, 0)[1], 9);
    EXPECT_EQ(canvas.at(2, 0)[0], 0);
    EXPECT_EQ(canvas.at(0, 1)[0], 0);

    // Entirely outside: nothing happens.
    canvas.fill(0);
    picture.pasteInto(canvas, 5, 0);
    EXPECT_EQ(samples(canvas), std::vector<int>(75, 0));
}

}  // namespace
}  // namespace quorvane
