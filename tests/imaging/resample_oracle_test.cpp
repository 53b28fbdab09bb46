// The fast filters against the plain ones, byte for byte, on random pictures
// of random sizes: shrinking, enlarging, one-pixel sides, grey and colour.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "imaging/resample.h"
#include "imaging/resample_reference.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

Image testImage(std::uint32_t width, std::uint32_t height, std::uint32_t components, std::mt19937& random)
{
    // Mostly noise; sometimes only 0 and 255, which pushes the sums to their
    // extremes, or one flat value.
    const int kind = static_cast<int>(random() % 4);
    const std::uint8_t flat = static_cast<std::uint8_t>(random());
    Image image = test::randomImage(width, height, components, random);
    for (std::size_t i = 0; kind < 2 && i < image.byteSize(); ++i)
        image.pixels[i] = kind == 0 ? flat : (image.pixels[i] & 1 ? 255 : 0);
    return image;
}

Image copyOf(const Image& image)
{
    Image copy;
    copy.allocate(image.width, image.height, image.components);
    std::memcpy(copy.pixels.get(), image.pixels.get(), image.byteSize());
    return copy;
}

// Where two pictures first differ, or "" when they are the same bytes.
std::string difference(const Image& expected, const Image& actual)
{
    if (expected.width != actual.width || expected.height != actual.height ||
        expected.components != actual.components)
        return "size " + std::to_string(actual.width) + "x" + std::to_string(actual.height);
    for (std::size_t i = 0; i < expected.byteSize(); ++i)
        if (expected.pixels[i] != actual.pixels[i])
            return "sample " + std::to_string(i) + ": " + std::to_string(actual.pixels[i]) + " instead of " +
                   std::to_string(expected.pixels[i]);
    return "";
}

struct Case {
    std::uint32_t W, H, components, w, h;
    int filter;
};

std::string describe(const Case& c)
{
    return std::to_string(c.W) + "x" + std::to_string(c.H) + "x" + std::to_string(c.components) + " -> " +
           std::to_string(c.w) + "x" + std::to_string(c.h) + " filter " + std::to_string(c.filter);
}

// Small pictures of every shape, and a few whose windows are wide enough for
// the long-window paths (more than ten pixels per vector load, more than 64
// per table).
std::vector<Case> randomCases(std::mt19937& random, int count)
{
    const auto side = [&random](std::uint32_t most) { return 1 + static_cast<std::uint32_t>(random() % most); };
    std::vector<Case> cases;
    for (int n = 0; n < count; ++n) {
        Case c{side(60), side(45), random() % 2 ? 3u : 1u, side(70), side(50), static_cast<int>(random() % 4)};
        if (n % 7 == 0)
            c.W = side(3);
        if (n % 11 == 0)
            c.h = side(2);
        cases.push_back(c);
    }
    for (int filter = FilterPoint; filter <= FilterLanczos3; ++filter)
        for (std::uint32_t components : {1u, 3u}) {
            cases.push_back({700, 9, components, 3, 2, filter});
            cases.push_back({333, 40, components, 17, 13, filter});
            cases.push_back({9, 300, components, 4, 5, filter});
        }
    return cases;
}

void expectSameAsReference(const std::vector<Case>& cases, std::mt19937& random)
{
    for (const Case& c : cases) {
        Image source = testImage(c.W, c.H, c.components, random);
        Image expected = copyOf(source);
        reference::resample(expected, c.filter, c.w, c.h);
        Image actual = std::move(source);
        resample(actual, c.filter, c.w, c.h);
        ASSERT_EQ(difference(expected, actual), "") << describe(c);
    }
}

TEST(ResampleOracle, FastFiltersGiveTheReferenceBytes)
{
    std::mt19937 random(20240601);
    expectSameAsReference(randomCases(random, 1500), random);
}

TEST(ResampleOracle, PortablePathsGiveTheReferenceBytesToo)
{
    allowVectorInstructions(false);
    std::mt19937 random(7);
    expectSameAsReference(randomCases(random, 400), random);
    allowVectorInstructions(true);
}

TEST(ResampleOracle, EnlargingSinglePixelsAndSameSize)
{
    std::mt19937 random(3);
    std::vector<Case> cases;
    for (int filter = FilterPoint; filter <= FilterLanczos3; ++filter)
        for (std::uint32_t components : {1u, 3u}) {
            cases.push_back({1, 1, components, 1, 1, filter});
            cases.push_back({1, 1, components, 7, 5, filter});
            cases.push_back({2, 1, components, 9, 1, filter});
            cases.push_back({1, 3, components, 1, 8, filter});
            cases.push_back({13, 9, components, 13, 9, filter});
            cases.push_back({5, 4, components, 40, 31, filter});
        }
    expectSameAsReference(cases, random);
}

TEST(ResampleOracle, WindowsOfHundredsOfWhitePixelsDoNotOverflowTheirSums)
{
    // 2000 → 3 gives Box windows of 666 pixels: hundreds of 255s per sum.
    for (bool vectors : {true, false}) {
        allowVectorInstructions(vectors);
        for (int filter : {FilterBox, FilterLanczos3})
            for (std::uint32_t components : {1u, 3u}) {
                for (const auto& [W, H, w, h] : {std::array<std::uint32_t, 4>{2000, 3, 3, 1}, {3, 2000, 1, 3}}) {
                    Image expected;
                    expected.allocate(W, H, components);
                    expected.fill(0xffffff);
                    Image actual = copyOf(expected);
                    reference::resample(expected, filter, w, h);
                    resample(actual, filter, w, h);
                    EXPECT_EQ(difference(expected, actual), "")
                        << describe({W, H, components, w, h, filter}) << (vectors ? "" : " portable");
                }
            }
    }
    allowVectorInstructions(true);
}

// Hands out an image's rows the way a decoder does: only the last two rows
// asked for are readable (the others are overwritten), and asking for a row
// the promise does not cover, or after a planted failure, gives null.
class TwoRowSource final : public RowSource {
public:
    explicit TwoRowSource(const Image& image, std::uint32_t failAt = UINT32_MAX)
        : image_(image), failAt_(failAt), slots_(2 * image.rowBytes())
    {
        width = image.width;
        height = image.height;
        components = image.components;
    }

    const std::uint8_t* row(std::uint32_t y) override
    {
        if (y >= failAt_ || y >= height || (asked_ && y + 1 < last_)) {
            broken_ = broken_ || y < failAt_;
            return nullptr;
        }
        if (!asked_ || y != last_) {
            // A new row: it takes the slot of the row two before it.
            std::uint8_t* slot = slots_.data() + (y % 2) * image_.rowBytes();
            if (asked_ && y > last_ + 1)
                std::memset(slots_.data() + ((y + 1) % 2) * image_.rowBytes(), 0xa5, image_.rowBytes());
            std::memcpy(slot, image_.row(y), image_.rowBytes());
            last_ = y;
            asked_ = true;
        }
        return slots_.data() + (y % 2) * image_.rowBytes();
    }

    bool broken() const { return broken_; }

private:
    const Image& image_;
    std::uint32_t failAt_;
    std::vector<std::uint8_t> slots_;
    std::uint32_t last_ = 0;
    bool asked_ = false;
    bool broken_ = false;
};

TEST(ResampleOracle, FiltersNeedOnlyTheRowsOfTheirWindowInOrder)
{
    std::mt19937 random(11);
    for (const Case& c : randomCases(random, 300)) {
        const Image source = testImage(c.W, c.H, c.components, random);
        Image expected = copyOf(source);
        resample(expected, c.filter, c.w, c.h);
        TwoRowSource rows(source);
        Image actual;
        ASSERT_TRUE(resampleRows(rows, actual, c.filter, c.w, c.h)) << describe(c);
        EXPECT_FALSE(rows.broken()) << describe(c);
        ASSERT_EQ(difference(expected, actual), "") << describe(c);
    }
}

TEST(ResampleOracle, ARowThatCannotBeMadeOrReadStopsTheFilter)
{
    std::mt19937 random(5);
    const Image source = testImage(40, 30, 3, random);
    const Image fourComponents = testImage(40, 30, 4, random);
    for (int filter = FilterPoint; filter <= FilterLanczos3; ++filter) {
        TwoRowSource rows(source, 10);
        Image target;
        EXPECT_FALSE(resampleRows(rows, target, filter, 8, 6)) << filter;
        EXPECT_TRUE(target.empty()) << filter;

        ImageRows unreadable(fourComponents);
        EXPECT_FALSE(resampleRows(unreadable, target, filter, 8, 6)) << filter;
        EXPECT_TRUE(target.empty()) << filter;
    }
}

}  // namespace
}  // namespace quorvane
