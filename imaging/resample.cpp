#include "imaging/resample.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>

#include "imaging/resample_arithmetic.h"
#include "imaging/resample_passes.h"
#include "imaging/resample_reference.h"

namespace quorvane {

namespace {

using namespace resampling;

constexpr float kPi = 3.1415927f;
constexpr float kOneThird = 0.33333334f;

const float* buildLanczosTable()
{
    // Held for the whole run and never freed.
    float* table = new float[kLanczosTableSize];
    for (int i = 0; i < kLanczosTableSize; ++i)
        table[i] = lanczos3(single(double(i) * 0x1p-16 * 6 - 3));
    return table;
}

// Point (code 0): nearest sample by truncated running sums, no averaging.
bool pointRows(RowSource& source, Image& target)
{
    const std::uint32_t W = source.width, H = source.height, c = source.components;
    const std::uint32_t w = target.width, h = target.height;
    const float sx = scaleFactor(W, w);
    const float sy = scaleFactor(H, h);

    // X restarts at 0 on every row, so each destination column reads the
    // same source column on every row.
    std::vector<std::uint32_t> offsets(w);
    double X = 0;
    for (std::uint32_t j = 0; j < w; ++j, X += sx)
        offsets[j] = clampedIndex(X, W) * c;

    double Y = 0;
    for (std::uint32_t i = 0; i < h; ++i, Y += sy) {
        const std::uint8_t* in = source.row(clampedIndex(Y, H));
        if (!in)
            return false;
        std::uint8_t* out = target.row(i);
        if (c == 3) {
            for (std::uint32_t j = 0; j < w; ++j, out += 3) {
                const std::uint8_t* pixel = in + offsets[j];
                out[0] = pixel[0];
                out[1] = pixel[1];
                out[2] = pixel[2];
            }
        } else {
            for (std::uint32_t j = 0; j < w; ++j)
                out[j] = in[offsets[j]];
        }
    }
    return true;
}

std::atomic<bool> vectorInstructionsAllowed{true};

}  // namespace

float lanczos3(float x)
{
    const double a = std::fabs(x);
    if (a >= 3)
        return 0;
    const double pa = kPi * a;
    const double s1 = a == 0 ? 1.0 : std::sin(pa) / pa;
    const double b = a * kOneThird;
    const double pb = kPi * b;
    const double s2 = b == 0 ? 1.0 : std::sin(pb) / pb;
    return single(s1 * s2);
}

const float* lanczosTable()
{
    // A function-local static is initialised exactly once, even when several
    // threads arrive at the same time.
    static const float* const table = buildLanczosTable();
    return table;
}

bool resampling::useAvx2()
{
#if QUORVANE_AVX2
    static const bool present = __builtin_cpu_supports("avx2");
    return present && vectorInstructionsAllowed.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

void allowVectorInstructions(bool allowed)
{
    vectorInstructionsAllowed.store(allowed, std::memory_order_relaxed);
}

bool resampleRows(RowSource& source, Image& target, int filter, std::uint32_t width,
                  std::uint32_t height)
{
    target.allocate(width, height, source.components);
    bool made = false;
    if (source.components != 1 && source.components != 3)
        filter = -1;  // nothing here reads other layouts
    switch (filter) {
    case FilterPoint:
        made = pointRows(source, target);
        break;
    case FilterBilinear:
        made = bilinearRows(source, target);
        break;
    case FilterBox:
        lanczosTable();  // Box builds the table too when start-up has not
        made = boxRows(source, target);
        break;
    case FilterLanczos3:
        made = lanczosRows(source, target);
        break;
    }
    if (!made)
        target.release();
    return made;
}

void resample(Image& image, int filter, std::uint32_t width, std::uint32_t height)
{
    if (resampling::resampledWithoutFilter(image, filter, width, height))
        return;
    if (image.components != 1 && image.components != 3) {
        reference::resample(image, filter, width, height);
        return;
    }
    ImageRows rows(image);
    Image target;
    resampleRows(rows, target, filter, width, height);
    image = std::move(target);
}

double fitSize(std::uint32_t sourceWidth, std::uint32_t sourceHeight, std::uint32_t& width,
               std::uint32_t& height)
{
    if (sourceWidth == 0 || sourceHeight == 0) {
        width = height = 0;
        return 0;
    }
    if (width == 0 || height == 0) {
        width = height = 0;
        return std::numeric_limits<double>::infinity();
    }
    // rx is kept in double, ry rounded to single: 2592 × 1944 into 800 × 600
    // picks ry = single(3.24), slightly above 3.24, and gives 799 × 599.
    const double rx = double(sourceWidth) / width;
    const double ry = single(double(sourceHeight) / height);
    const double r = rx > ry ? rx : ry;
    const double inverse = 1 / r;
    // A thin picture (4000 x 10 into 200 x 150) would round its short side
    // to 0 and get no thumbnail at all: every side keeps at least one pixel.
    width = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(truncate(sourceWidth * inverse)));
    height = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(truncate(sourceHeight * inverse)));
    return r;
}

double fitSize(const Image& image, std::uint32_t& width, std::uint32_t& height)
{
    return fitSize(image.width, image.height, width, height);
}

void fitAndResample(Image& image, std::uint32_t boxWidth, std::uint32_t boxHeight, int reduceFilter,
                    int magFilter)
{
    std::uint32_t width = boxWidth, height = boxHeight;
    const double ratio = fitSize(image, width, height);
    resample(image, chooseFilter(ratio, reduceFilter, magFilter), width, height);
}

}  // namespace quorvane
