// The resampling filters against pixels worked out by hand from their formulas.
// Each expected value comes with its arithmetic; single(v) is v rounded to a
// 32-bit float, trunc the integer part.
#include "imaging/resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <random>
#include <thread>
#include <vector>

#include "support/test_support.h"

namespace quorvane {
namespace {

Image makeImage(std::uint32_t width, std::uint32_t height, std::uint32_t components,
                std::initializer_list<int> samples)
{
    Image image;
    image.allocate(width, height, components);
    EXPECT_EQ(samples.size(), image.byteSize());
    std::transform(samples.begin(), samples.end(), image.pixels.get(),
                   [](int v) { return static_cast<std::uint8_t>(v); });
    return image;
}

// A grey picture whose every row is `row`, or a colour one whose channel k of
// every pixel is row[x] + k (so the three channels differ).
Image repeatRows(const std::vector<int>& row, std::uint32_t height, std::uint32_t components)
{
    Image image;
    image.allocate(static_cast<std::uint32_t>(row.size()), height, components);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < image.width; ++x)
            for (std::uint32_t k = 0; k < components; ++k)
                image.at(x, y)[k] = static_cast<std::uint8_t>(row[x] + int(k));
    return image;
}

Image constantImage(std::uint32_t width, std::uint32_t height, std::uint32_t components,
                    std::uint32_t value)
{
    Image image;
    image.allocate(width, height, components);
    image.fill(value);
    return image;
}

Image randomImage(std::uint32_t width, std::uint32_t height, std::uint32_t components, unsigned seed)
{
    std::mt19937 random(seed);
    return test::randomImage(width, height, components, random);
}

std::vector<int> samples(const Image& image)
{
    return std::vector<int>(image.pixels.get(), image.pixels.get() + image.byteSize());
}

bool samePixels(const Image& a, const Image& b)
{
    return a.width == b.width && a.height == b.height && a.components == b.components &&
           std::memcmp(a.pixels.get(), b.pixels.get(), a.byteSize()) == 0;
}

// ---- fitSize -------------------------------------------------------------

struct FitCase {
    std::uint32_t W, H, boxW, boxH, w, h;
    double ratio;
};

TEST(FitSize, PartExamples)
{
    const FitCase cases[] = {
        // rx = 20, ry = single(20) = 20: a tie takes ry; 4000/20 = 200, 3000/20 = 150.
        {4000, 3000, 200, 150, 200, 150, 20.0},
        // rx = 15, ry = single(26.666…) = 26.666666030883789; 3000/r = 112.5…, 4000/r = 150.000003….
        {3000, 4000, 200, 150, 112, 150, double(26.666666f)},
        // rx = 0.5 > ry = single(0.333…): r = 0.5, size 200 × 100 (an enlargement).
        {100, 50, 200, 150, 200, 100, 0.5},
        // rx = 3.24 (double), ry = single(3.24) = 3.2400000095…; ry wins and
        // 2592/ry = 799.99999764…, 1944/ry = 599.99999823…
        {2592, 1944, 800, 600, 799, 599, double(3.24f)},
        // Thin pictures keep one pixel on their short side instead of 0.
        {4000, 10, 200, 150, 200, 1, 20.0},
        {10, 3000, 200, 150, 1, 150, 20.0},
        {2000, 3, 200, 150, 200, 1, 10.0},
    };
    for (const FitCase& c : cases) {
        Image image;
        image.allocate(c.W, c.H, 1);
        std::uint32_t w = c.boxW, h = c.boxH;
        const double ratio = fitSize(image, w, h);
        EXPECT_EQ(w, c.w) << c.W << "x" << c.H;
        EXPECT_EQ(h, c.h) << c.W << "x" << c.H;
        EXPECT_DOUBLE_EQ(ratio, c.ratio) << c.W << "x" << c.H;
    }
}

TEST(FitSize, ZeroBoxGivesEmptySizeAndEmptyImageGivesRatioZero)
{
    Image image;
    image.allocate(40, 30, 3);
    std::uint32_t w = 0, h = 150;
    fitSize(image, w, h);
    EXPECT_EQ(w, 0u);
    EXPECT_EQ(h, 0u);

    Image empty;
    w = 200, h = 150;
    EXPECT_EQ(fitSize(empty, w, h), 0.0);
    EXPECT_EQ(w, 0u);
    EXPECT_EQ(h, 0u);
}

TEST(FilterSelection, RatioAboveOneShrinksOtherwiseEnlarges)
{
    EXPECT_EQ(chooseFilter(1.5, FilterLanczos3, FilterBilinear), FilterLanczos3);
    EXPECT_EQ(chooseFilter(1.0, FilterLanczos3, FilterBilinear), FilterBilinear);
    EXPECT_EQ(chooseFilter(0.5, FilterBox, FilterNone), FilterNone);
}

// ---- codes outside 0–3 ---------------------------------------------------

TEST(Resample, CodesOutsideZeroToThreeLeaveTheImageUntouched)
{
    for (int code : {4, 5, -1, 100}) {
        Image image = randomImage(7, 5, 3, 1);
        const std::uint8_t* block = image.pixels.get();
        const std::vector<int> before = samples(image);
        resample(image, code, 3, 2);
        EXPECT_EQ(image.width, 7u) << code;
        EXPECT_EQ(image.height, 5u) << code;
        EXPECT_EQ(image.pixels.get(), block) << code;
        EXPECT_EQ(samples(image), before) << code;
    }
}

TEST(Resample, ZeroSizeGivesAnEmptyImage)
{
    for (int code : {0, 1, 2, 3}) {
        Image image = randomImage(8, 6, 3, 2);
        resample(image, code, 0, 4);
        EXPECT_TRUE(image.empty()) << code;
        EXPECT_EQ(image.width, 0u);
        EXPECT_EQ(image.height, 4u);
        EXPECT_EQ(image.components, 3u);
    }
}

// ---- Point ---------------------------------------------------------------

TEST(PointFilter, FourToTwoTakesColumnsZeroAndTwo)
{
    // sx = 2: X = 0, 2.
    Image image = makeImage(4, 1, 1, {10, 20, 30, 40});
    resample(image, FilterPoint, 2, 1);
    EXPECT_EQ(samples(image), (std::vector<int>{10, 30}));
}

TEST(PointFilter, ColourShrinkAndEnlarge)
{
    // 5 × 3 → 2 × 2: sx = 2.5 (X = 0, 2.5 → columns 0, 2), sy = 1.5 (Y = 0,
    // 1.5 → rows 0, 1). Pixel (x, y) holds (10y + x, 100 + x, 200 − y).
    Image image;
    image.allocate(5, 3, 3);
    for (std::uint32_t y = 0; y < 3; ++y)
        for (std::uint32_t x = 0; x < 5; ++x) {
            image.at(x, y)[0] = static_cast<std::uint8_t>(10 * y + x);
            image.at(x, y)[1] = static_cast<std::uint8_t>(100 + x);
            image.at(x, y)[2] = static_cast<std::uint8_t>(200 - y);
        }
    resample(image, FilterPoint, 2, 2);
    EXPECT_EQ(samples(image), (std::vector<int>{0, 100, 200, 2, 102, 200, 10, 100, 199, 12, 102, 199}));

    // 2 × 1 → 5 × 1: sx = single(0.4); X = 0, 0.4, 0.8, 1.2, 1.6 → 0, 0, 0, 1, 1.
    Image grey = makeImage(2, 1, 1, {7, 9});
    resample(grey, FilterPoint, 5, 1);
    EXPECT_EQ(samples(grey), (std::vector<int>{7, 7, 7, 9, 9}));
}

TEST(PointFilter, TwiceTheSizeRepeatsEveryPixel)
{
    Image source = randomImage(6, 4, 3, 4);
    Image image = randomImage(6, 4, 3, 4);
    resample(image, FilterPoint, 12, 8);
    for (std::uint32_t y = 0; y < 8; ++y)
        for (std::uint32_t x = 0; x < 12; ++x)
            for (std::uint32_t k = 0; k < 3; ++k)
                ASSERT_EQ(image.at(x, y)[k], source.at(x / 2, y / 2)[k]);
}

// ---- Bilinear ------------------------------------------------------------

TEST(BilinearFilter, TwoByTwoToFourByFourEdges)
{
    // sx = sy = 0.5. Columns: X = 0, 0.5 (x0 = 0, fx = 0.5), then X = 1, 1.5
    // with x0 = 1 = W − 1: the right edge. Rows: Y = 0, 0.5 (y0 = 0), then
    // y0 = 1 = H − 1: the bottom edge (row1 = row0 = 1, fy = 0).
    // Source 10 50 / 90 130. Row 0: 10; 0.5·10 + 0.5·50 = 30; then 50, 50.
    // Row 1 (fy = 0.5): 0.5·10 + 0.5·90 = 50; 0.25·(10+50+90+130) = 70;
    // right edge 130·0.5 + 50·0.5 = 90. Rows 2, 3: 90; 0.5·90 + 0.5·130 =
    // 110; 130, 130.
    const std::vector<int> expected = {10, 30, 50,  50,  50, 70, 90,  90,
                                       90, 110, 130, 130, 90, 110, 130, 130};
    Image grey = makeImage(2, 2, 1, {10, 50, 90, 130});
    resample(grey, FilterBilinear, 4, 4);
    EXPECT_EQ(samples(grey), expected);

    // Colour: the weights 0.5 and 0.25 are exact in single precision, so each
    // channel follows the same sums; channel 1 is 1 higher (31: 0.5·11 + 0.5·51).
    Image colour = repeatRows({10, 50}, 1, 3);
    colour.allocate(2, 2, 3);
    const int source[4] = {10, 50, 90, 130};
    for (int p = 0; p < 4; ++p)
        for (int k = 0; k < 3; ++k)
            colour.pixels[p * 3 + k] = static_cast<std::uint8_t>(source[p] + k);
    resample(colour, FilterBilinear, 4, 4);
    for (std::size_t p = 0; p < 16; ++p)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(colour.pixels[p * 3 + k], expected[p] + k) << p << "," << k;
}

TEST(Resample, PointAndBilinearAtTheSameSizeGiveAnIdenticalPicture)
{
    for (int filter : {FilterPoint, FilterBilinear})
        for (std::uint32_t components : {1u, 3u}) {
            Image image = randomImage(13, 9, components, 3);
            Image copy = randomImage(13, 9, components, 3);
            resample(image, filter, 13, 9);
            EXPECT_TRUE(samePixels(image, copy)) << filter << "," << components;
        }
}

TEST(BilinearFilter, ColourWeightsAreRoundedToSingleAndGreyWeightsAreNot)
{
    // 2 × 3 → 3 × 5, everything 150. sx = single(2/3) = 0.66666669, sy =
    // single(0.6) = 0.60000002. Row 3: Y = single sums 0.6, 1.2, 1.8000001
    // → y0 = 1, fy = 0.80000007. Column 1: X = 0.66666669, x0 = 0, fx = X.
    // Colour: w00 = single(0.33333331 × 0.19999993) = 0.066666640,
    // w10 = single(0.66666669 × 0.19999993) = 0.13333330,
    // w01 = single(0.33333331 × 0.80000007) = 0.26666668,
    // w11 = single(1 − w00 − w10 − w01) = 0.53333336; they add up to
    // 0.99999998, so 150 × that = 149.999997 → 149.
    // Grey: the unrounded products add up to 1 and give 150.000000 → 150.
    // Every other pixel is 150 for both.
    Image colour = constantImage(2, 3, 3, 0x969696);
    resample(colour, FilterBilinear, 3, 5);
    Image grey = constantImage(2, 3, 1, 150);
    resample(grey, FilterBilinear, 3, 5);
    for (std::uint32_t y = 0; y < 5; ++y)
        for (std::uint32_t x = 0; x < 3; ++x) {
            const int expected = (x == 1 && y == 3) ? 149 : 150;
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(colour.at(x, y)[k], expected) << x << "," << y;
            EXPECT_EQ(grey.at(x, y)[0], 150) << x << "," << y;
        }
}

// ---- Box -----------------------------------------------------------------

TEST(BoxFilter, WindowsWithScaleTwoNeverUseTheLastColumnOrRow)
{
    // 4 × 4 → 2 × 2: sx = sy = 2, half-widths 1. Column 0: trunc(0 − 1) = −1
    // → 0, trunc(0 + 1) = 1: window 0 ≤ k < 1. Column 1: trunc(2 − 1) = 1,
    // trunc(2 + 1) = 3: window 1 ≤ k < 3. Rows alike. Column 3 and row 3 hold
    // 255 and must not matter.
    // Horizontal: row 0 → 10, (20+30)/2 = 25; row 1 → 50, 65; row 2 → 90, 105.
    // Vertical: row 0 → 10, 25; row 1 → (50+90)/2 = 70, (65+105)/2 = 85.
    Image grey = makeImage(4, 4, 1,
                           {10, 20, 30, 255,     //
                            50, 60, 70, 255,     //
                            90, 100, 110, 255,   //
                            255, 255, 255, 255});
    resample(grey, FilterBox, 2, 2);
    EXPECT_EQ(samples(grey), (std::vector<int>{10, 25, 70, 85}));

    // The same in colour, with channel k raised by k: 3 × 1/2 and 1/2 exact.
    Image colour;
    colour.allocate(4, 4, 3);
    const int source[16] = {10, 20, 30, 255, 50, 60, 70, 255, 90, 100, 110, 255, 255, 255, 255, 255};
    for (int p = 0; p < 16; ++p)
        for (int k = 0; k < 3; ++k)
            colour.pixels[p * 3 + k] = static_cast<std::uint8_t>(std::min(255, source[p] + k));
    resample(colour, FilterBox, 2, 2);
    EXPECT_EQ(samples(colour),
              (std::vector<int>{10, 11, 12, 25, 26, 27, 70, 71, 72, 85, 86, 87}));
}

TEST(BoxFilter, SameSizeShiftsByOnePixelWithABlackFirstRowAndColumn)
{
    // s = 1, half-width 0.5: index 0 has trunc(−0.5) = 0, trunc(0.5) = 0, an
    // empty window → 0; index j ≥ 1 has the window j − 1 ≤ k < j.
    for (std::uint32_t components : {1u, 3u}) {
        Image source = randomImage(5, 4, components, 6);
        Image image = randomImage(5, 4, components, 6);
        resample(image, FilterBox, 5, 4);
        for (std::uint32_t y = 0; y < 4; ++y)
            for (std::uint32_t x = 0; x < 5; ++x)
                for (std::uint32_t k = 0; k < components; ++k) {
                    const int expected = (x == 0 || y == 0) ? 0 : source.at(x - 1, y - 1)[k];
                    ASSERT_EQ(image.at(x, y)[k], expected) << x << "," << y;
                }
    }
}

TEST(BoxFilter, MeanOfThreeTruncates)
{
    // 6 × 2 → 2 × 1: sx = 3, hx = 1.5: column 0 window [0, 1), column 1
    // trunc(1.5) = 1 to trunc(4.5) = 4: [1, 4), n = 3. sy = 2: row 0 alone.
    // Grey: (10 + 20 + 31) / 3 = 61 / 3 → 20. Colour: 61 × single(1/3) =
    // 61 × 0.33333334 = 20.333334 → 20; channel 2: 67 × 0.33333334 → 22.
    Image grey = makeImage(6, 2, 1, {5, 10, 20, 31, 99, 99, 0, 0, 0, 0, 0, 0});
    resample(grey, FilterBox, 2, 1);
    EXPECT_EQ(samples(grey), (std::vector<int>{5, 20}));

    Image colour = repeatRows({5, 10, 20, 31, 99, 99}, 2, 3);
    resample(colour, FilterBox, 2, 1);
    EXPECT_EQ(samples(colour), (std::vector<int>{5, 6, 7, 20, 21, 22}));
}

TEST(BoxFilter, ColourUsesSingleReciprocalAcrossAndExactReciprocalDown)
{
    // Across: 50 × 2 → 2 × 1, all 100. sx = 25, hx = 12.5: column 0 window
    // [0, 12), n = 12; column 1 window [trunc(12.5), trunc(37.5)) = [12, 37),
    // n = 25. sy = 2 keeps row 0 (window [0, 1)).
    // Colour: 1200 × single(1/12) = 1200 × 0.083333336 = 100.000003 → 100;
    // 2500 × single(1/25) = 2500 × 0.039999999 = 99.9999978 → 99.
    // Grey: 1200 / 12 = 100, 2500 / 25 = 100.
    Image colour = constantImage(50, 2, 3, 0x646464);
    resample(colour, FilterBox, 2, 1);
    EXPECT_EQ(samples(colour), (std::vector<int>{100, 100, 100, 99, 99, 99}));
    Image grey = constantImage(50, 2, 1, 100);
    resample(grey, FilterBox, 2, 1);
    EXPECT_EQ(samples(grey), (std::vector<int>{100, 100}));

    // Down: 2 × 50 → 1 × 2. Across keeps column 0 (sx = 2). Row 1 has the
    // window [12, 37), n = 25: 2500 × (1/25 unrounded) = 100.0 → 100; row 0
    // has [0, 12): 1200 / 12 → 100.
    Image tall = constantImage(2, 50, 3, 0x646464);
    resample(tall, FilterBox, 1, 2);
    EXPECT_EQ(samples(tall), (std::vector<int>{100, 100, 100, 100, 100, 100}));
}

// ---- Lanczos3 ------------------------------------------------------------

TEST(LanczosTable, EntriesFollowTheKernel)
{
    // Entry i is lanczos3(single(i × 6/65536 − 3)), values evaluated from
    // the kernel with π = 3.1415927 and 1/3 = 0.33333334.
    const float* table = lanczosTable();
    EXPECT_EQ(table[0], 0.0f);             // x = −3
    EXPECT_EQ(table[32768], 1.0f);         // x = 0
    EXPECT_EQ(table[32766], 0x1.fffffep-1f);   // x = −0.00018311: 0.99999994
    EXPECT_EQ(table[38227], 0x1.37676ep-1f);   // x = 0.49977112: 0.60821098
    EXPECT_EQ(table[27305], 0x1.3727a2p-1f);   // x = −0.50018311: 0.60772425
    EXPECT_EQ(table[43688], 0x1.a7843cp-13f);  // x = 0.99963379: 0.00020194842
    EXPECT_EQ(table[10922], 0x1.a7c3e0p-17f);  // x = −2.00006104: 0.000012629185
    EXPECT_LT(table[21844], 0.0f);         // x = −1.00012207: just past the zero
    EXPECT_LT(table[49149], 0.0f);         // x = 1.49963379: the negative lobe
    EXPECT_EQ(lanczos3(3.0f), 0.0f);
    EXPECT_EQ(lanczos3(-3.5f), 0.0f);
    EXPECT_EQ(lanczos3(0.0f), 1.0f);
}

TEST(LanczosTable, BuiltOnceForEveryThread)
{
    const float* seen[4] = {};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&seen, t] { seen[t] = lanczosTable(); });
    for (std::thread& thread : threads)
        thread.join();
    for (const float* table : seen)
        EXPECT_EQ(table, lanczosTable());
}

TEST(LanczosFilter, SixByTwoToThreeByOne)
{
    // Across, sx = 2, 1/sx = 0.5, candidates k < 5 (column 5 never counts):
    //  j = 0: k = 0..4, x = k/2, t = trunc((x + 3) × 10922) = 32766, 38227,
    //         43688, 49149, 54610; the last two weights are negative. With the
    //         row 200 100 50 0 255 30: S = 0.99999994·200 + 0.60821098·100 +
    //         0.00020194842·50 = 260.83 → 260; Wt = 1.6084129; 260 / Wt =
    //         161.65 → 161.
    //  j = 1: x = −1 (t 21844, negative), −0.5 (27305), 0, 0.5, 1: S =
    //         0.60772425·100 + 0.99999994·50 + 0.60821098·0 +
    //         0.00020194842·255 = 110.82 → 110; Wt = 2.2161372; → 49.64 → 49.
    //  j = 2: x = −2 (10922), −1.5 and −1 (negative), −0.5, 0: S =
    //         0.000012629185·200 + 0.60772425·0 + 0.99999994·255 = 255.0025 →
    //         255; Wt = 1.6077368; → 158.61 → 158.
    // Down, sy = 2, H = 2: candidates [0, 1): row 0 alone, x = 0, t = 32766,
    // weight 0.99999994: v·0.99999994 truncates to v − 1 and (v − 1) / w to
    // v − 1, so 161 → 160, 49 → 48, 158 → 157 (the one that 10922 instead of
    // 65536/6 costs: t = 32768 would have weight 1).
    const std::vector<int> row = {200, 100, 50, 0, 255, 30};
    Image grey = repeatRows(row, 2, 1);
    resample(grey, FilterLanczos3, 3, 1);
    EXPECT_EQ(samples(grey), (std::vector<int>{160, 48, 157}));

    // Colour, channel k = row + k with 250 for 255 (no wrap): the same taps,
    // and S × single(1/Wt):
    //  j = 0: single(1/1.6084129) = 0.62173092; channel 1: S = 0.99999994·201
    //         + 0.60821098·101 + 0.00020194842·51 = 262.44 → 262 × 0.62173092
    //         = 162.89 → 162; channel 2: 264.05 → 264 → 164.14 → 164.
    //  j = 1: single(1/2.2161371) = 0.45123562; channel 0: 110.82 → 110 →
    //         49.64 → 49; channel 1: 113.04 → 113 → 50.99 → 50; channel 2:
    //         115.26 → 115 → 51.89 → 51.
    //  j = 2: single(1/1.6077368) = 0.62199235; channel 0: S =
    //         0.000012629185·200 + 0.99999994·250 = 250.0025 → 250 → 155.50
    //         → 155; channel 1: 251.61 → 251 → 156.12 → 156; channel 2:
    //         253.22 → 253 → 157.36 → 157.
    // Down: the single weight 0.99999994 takes one off every non-zero sample.
    Image colour = repeatRows({200, 100, 50, 0, 250, 30}, 2, 3);
    resample(colour, FilterLanczos3, 3, 1);
    EXPECT_EQ(samples(colour), (std::vector<int>{160, 161, 163, 48, 49, 50, 154, 155, 156}));
}

TEST(LanczosFilter, NeverAboveTheLargestSampleOfItsWindow)
{
    for (std::uint32_t components : {1u, 3u}) {
        const std::uint32_t W = 47, H = 31, w = 13, h = 9;
        Image source = randomImage(W, H, components, 7);
        Image image = randomImage(W, H, components, 7);
        resample(image, FilterLanczos3, w, h);
        // The candidate windows of each axis: trunc((j ∓ 3)·s), clamped.
        const float sx = float(double(W) / w), sy = float(double(H) / h);
        for (std::uint32_t i = 0; i < h; ++i) {
            const int y0 = std::max(0, int((double(i) - 3) * sy));
            const int y1 = std::min(int(H) - 1, int((double(i) + 3) * sy));
            for (std::uint32_t j = 0; j < w; ++j) {
                const int x0 = std::max(0, int((double(j) - 3) * sx));
                const int x1 = std::min(int(W) - 1, int((double(j) + 3) * sx));
                for (std::uint32_t k = 0; k < components; ++k) {
                    int largest = 0;
                    for (int y = y0; y < y1; ++y)
                        for (int x = x0; x < x1; ++x)
                            largest = std::max<int>(largest, source.at(x, y)[k]);
                    ASSERT_LE(image.at(j, i)[k], largest) << j << "," << i;
                }
            }
        }
    }
}

TEST(LanczosFilter, ConstantAreaNeverRises)
{
    // Each pass truncates once, so a constant area may lose one per pass.
    for (std::uint32_t components : {1u, 3u}) {
        for (std::uint32_t value : {1u, 100u, 254u, 255u}) {
            Image image = constantImage(120, 90, components, value * 0x010101u);
            resample(image, FilterLanczos3, 37, 23);
            for (std::size_t s = 0; s < image.byteSize(); ++s) {
                ASSERT_LE(image.pixels[s], value) << s;
                ASSERT_GE(image.pixels[s] + 2u, value) << s;
            }
        }
    }
}

TEST(BoxFilter, ConstantAreaKeepsItsValueAwayFromTheEdges)
{
    Image image = constantImage(120, 90, 1, 77);
    resample(image, FilterBox, 40, 30);
    for (std::size_t s = 0; s < image.byteSize(); ++s)
        ASSERT_EQ(image.pixels[s], 77) << s;
}

}  // namespace
}  // namespace quorvane
