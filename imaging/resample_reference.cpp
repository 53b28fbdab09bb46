#include "imaging/resample_reference.h"

#include <algorithm>
#include <cmath>

#include "imaging/resample.h"
#include "imaging/resample_arithmetic.h"

// Each rounding step decides pixels: no fused multiply-add may merge two.
#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#endif

namespace quorvane::reference {

namespace {

using namespace resampling;

void point(const Image& source, Image& target)
{
    const float sx = scaleFactor(source.width, target.width);
    const float sy = scaleFactor(source.height, target.height);
    double Y = 0;
    for (std::uint32_t i = 0; i < target.height; ++i, Y += sy) {
        double X = 0;
        for (std::uint32_t j = 0; j < target.width; ++j, X += sx) {
            const std::uint8_t* in = source.at(clampedIndex(X, source.width), clampedIndex(Y, source.height));
            std::copy_n(in, source.components, target.at(j, i));
        }
    }
}

void bilinear(const Image& source, Image& target)
{
    const std::uint32_t W = source.width, H = source.height, c = source.components;
    const float sx = scaleFactor(W, target.width);
    const float sy = scaleFactor(H, target.height);
    float Y = 0;
    for (std::uint32_t i = 0; i < target.height; ++i, Y = Y + sy) {
        const double y0 = std::floor(Y);
        float fy = single(Y - y0);
        std::uint32_t row0 = static_cast<std::uint32_t>(std::min(y0, double(H) - 1));
        std::uint32_t row1 = row0 + 1;
        if (y0 >= double(H) - 1) {
            row1 = row0;
            fy = 0;
        }
        const double gy = 1.0 - fy;
        float X = 0;
        bool rightEdge = false;
        for (std::uint32_t j = 0; j < target.width; ++j, X = X + sx) {
            const double x0 = std::floor(X);
            rightEdge = rightEdge || x0 >= double(W) - 1;
            std::uint8_t* out = target.at(j, i);
            if (rightEdge) {
                for (std::uint32_t k = 0; k < c; ++k)
                    out[k] = lowByte(truncate(source.at(W - 1, row1)[k] * double(fy) +
                                              source.at(W - 1, row0)[k] * gy));
                continue;
            }
            const std::uint32_t column = static_cast<std::uint32_t>(x0);
            const float fx = single(X - x0);
            const double gx = 1.0 - fx;
            const std::uint8_t* p00 = source.at(column, row0);
            const std::uint8_t* p10 = source.at(column + 1, row0);
            const std::uint8_t* p01 = source.at(column, row1);
            const std::uint8_t* p11 = source.at(column + 1, row1);
            for (std::uint32_t k = 0; k < c; ++k) {
                if (c == 1) {
                    const double w00 = gx * gy, w10 = fx * gy, w01 = gx * fy, w11 = double(fx) * fy;
                    out[k] = lowByte(truncate(w00 * p00[k] + w10 * p10[k] + w01 * p01[k] + w11 * p11[k]));
                } else {
                    const float w00 = single(gx * gy);
                    const float w10 = single(fx * gy);
                    const float w01 = single(gx * fy);
                    const float w11 = single(1.0 - w00 - w10 - w01);
                    out[k] = lowByte(truncate(double(w00) * p00[k] + double(w10) * p10[k] +
                                              double(w01) * p01[k] + double(w11) * p11[k]));
                }
            }
        }
    }
}

// One Box mean along an axis of length N with scale s, at destination index
// j; sample(k) reads the source at index k along that axis.
// The Box reciprocal is rounded to single in the horizontal pass only.
template <typename Sample>
std::uint8_t boxMean(std::uint32_t j, float s, std::uint32_t N, bool grey, bool roundedInverse,
                     Sample sample)
{
    const float half = single(s * 0.5);
    const std::int64_t lo = std::max<std::int64_t>(truncate(double(j) * s - half), 0);
    const std::int64_t hi = std::min<std::int64_t>(truncate(double(j) * s + half), std::int64_t(N) - 1);
    const std::int64_t n = hi - lo;
    if (n <= 0)
        return 0;
    std::int64_t S = 0;
    for (std::int64_t k = lo; k < hi; ++k)
        S += sample(static_cast<std::uint32_t>(k));
    if (grey)
        return lowByte(S / n);
    const double inverse = roundedInverse ? double(single(1.0 / double(n))) : 1.0 / double(n);
    return lowByte(truncate(double(S) * inverse));
}

// One Lanczos3 sample along an axis of length N with scale s, at destination
// index j; sample(k) reads the source at index k along that axis.
template <typename Sample>
std::uint8_t lanczosSample(std::uint32_t j, float s, std::uint32_t N, bool grey, bool /*across*/, Sample sample)
{
    const float* table = lanczosTable();
    const std::int64_t lo = std::max<std::int64_t>(truncate((double(j) - 3) * s), 0);
    const std::int64_t hi = std::min<std::int64_t>(truncate((double(j) + 3) * s), std::int64_t(N) - 1);
    double S = 0;
    double Wt = 0;
    for (std::int64_t k = lo; k < hi; ++k) {
        const double x = double(k) * (1.0 / s) - double(j);
        const std::int64_t t = lanczosIndex(x);
        if (t < 0 || t >= kLanczosTableSize || !(table[t] > 0))
            continue;
        Wt += table[t];
        S += double(table[t]) * sample(static_cast<std::uint32_t>(k));
    }
    if (Wt == 0)
        return 0;
    if (grey)
        return lowByte(truncate(std::trunc(S) / Wt));
    return lowByte(truncate(std::trunc(S) * double(single(1.0 / Wt))));
}

// The two passes of the separable filters: every sample of the horizontal
// pass into an intermediate picture of H rows × w columns, then every sample
// of the vertical pass from it. oneSample(j, s, N, grey, across, sample)
// makes destination sample j along an axis, reading the source with sample.
template <typename OneSample>
void twoPasses(Image& image, std::uint32_t w, std::uint32_t h, OneSample oneSample)
{
    const std::uint32_t W = image.width, H = image.height, c = image.components;
    const bool grey = c == 1;
    const float sx = scaleFactor(W, w);
    const float sy = scaleFactor(H, h);

    Image across;
    across.allocate(w, H, c);
    for (std::uint32_t r = 0; r < H; ++r)
        for (std::uint32_t j = 0; j < w; ++j)
            for (std::uint32_t k = 0; k < c; ++k)
                across.at(j, r)[k] =
                    oneSample(j, sx, W, grey, true, [&](std::uint32_t x) { return image.at(x, r)[k]; });
    image = std::move(across);

    Image down;
    down.allocate(w, h, c);
    for (std::uint32_t i = 0; i < h; ++i)
        for (std::uint32_t x = 0; x < w; ++x)
            for (std::uint32_t k = 0; k < c; ++k)
                down.at(x, i)[k] =
                    oneSample(i, sy, H, grey, false, [&](std::uint32_t y) { return image.at(x, y)[k]; });
    image = std::move(down);
}

}  // namespace

void resample(Image& image, int filter, std::uint32_t width, std::uint32_t height)
{
    if (resampling::resampledWithoutFilter(image, filter, width, height))
        return;
    switch (filter) {
    case FilterPoint:
    case FilterBilinear: {
        Image target;
        target.allocate(width, height, image.components);
        if (filter == FilterPoint)
            point(image, target);
        else
            bilinear(image, target);
        image = std::move(target);
        break;
    }
    case FilterBox:
        lanczosTable();  // Box builds the table too when start-up has not
        twoPasses(image, width, height, [](auto... arguments) { return boxMean(arguments...); });
        break;
    case FilterLanczos3:
        twoPasses(image, width, height, [](auto... arguments) { return lanczosSample(arguments...); });
        break;
    }
}

}  // namespace quorvane::reference
