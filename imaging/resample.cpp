#include "imaging/resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

// Every pixel depends on the precision of each step: no fused
// multiply-add may merge two roundings into one. GCC contracts nothing in the
// ISO mode the project builds in; clang needs telling.
#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#endif

namespace quorvane {

namespace {

// single(v): v rounded to single precision.
inline float single(double v)
{
    return static_cast<float>(v);
}

// trunc(v) as an integer: the integer part, rounding toward zero.
inline std::int64_t truncate(double v)
{
    return static_cast<std::int64_t>(v);
}

// Source pixels per destination pixel along one axis, rounded to single.
inline float scaleFactor(std::uint32_t sourceLength, std::uint32_t length)
{
    return single(double(sourceLength) / length);
}

inline std::uint8_t lowByte(std::int64_t v)
{
    return static_cast<std::uint8_t>(v & 0xff);
}

constexpr float kPi = 3.1415927f;
constexpr float kOneThird = 0.33333334f;
// The integer part of 65536 / 6: the table index of a distance is
// trunc((x + 3) × 10922), not × 10922.67.
constexpr double kLanczosIndexScale = 10922;

const float* buildLanczosTable()
{
    // Held for the whole run and never freed.
    float* table = new float[kLanczosTableSize];
    for (int i = 0; i < kLanczosTableSize; ++i)
        table[i] = lanczos3(single(double(i) * 0x1p-16 * 6 - 3));
    return table;
}

// Point (code 0): nearest sample by truncated running sums, no averaging.
void resamplePoint(const Image& source, Image& target)
{
    const std::uint32_t W = source.width, H = source.height, c = source.components;
    const std::uint32_t w = target.width, h = target.height;
    const float sx = scaleFactor(W, w);
    const float sy = scaleFactor(H, h);

    // X restarts at 0 on every row, so the source column of each destination
    // column is the same for all rows. The min() only guards the buffer.
    std::vector<std::uint32_t> columns(w);
    double X = 0;
    for (std::uint32_t j = 0; j < w; ++j) {
        columns[j] = static_cast<std::uint32_t>(std::min<std::int64_t>(truncate(X), W - 1));
        X += sx;
    }

    double Y = 0;
    for (std::uint32_t i = 0; i < h; ++i) {
        const std::uint8_t* in = source.row(
            static_cast<std::uint32_t>(std::min<std::int64_t>(truncate(Y), H - 1)));
        std::uint8_t* out = target.row(i);
        for (std::uint32_t j = 0; j < w; ++j, out += c)
            std::copy_n(in + std::size_t(columns[j]) * c, c, out);
        Y += sy;
    }
}

// Bilinear (code 1), for enlarging: single-precision running sums, the right
// and bottom edges interpolating only along the other axis.
void resampleBilinear(const Image& source, Image& target)
{
    const std::uint32_t W = source.width, H = source.height, c = source.components;
    const std::uint32_t w = target.width, h = target.height;
    const float sx = scaleFactor(W, w);
    const float sy = scaleFactor(H, h);

    // Column data, the same for every row: x0 and fx before the right edge;
    // from edgeFrom on every column takes the source's last column.
    std::vector<std::uint32_t> x0s(w);
    std::vector<float> fxs(w);
    std::uint32_t edgeFrom = w;
    float X = 0;
    for (std::uint32_t j = 0; j < w; ++j) {
        const double x0 = std::floor(X);
        if (edgeFrom == w && x0 < double(W) - 1) {
            x0s[j] = static_cast<std::uint32_t>(x0);
            fxs[j] = single(X - x0);
        } else if (edgeFrom == w) {
            edgeFrom = j;
        }
        X = X + sx;
    }

    float Y = 0;
    for (std::uint32_t i = 0; i < h; ++i) {
        const double y0 = std::floor(Y);
        float fy = single(Y - y0);
        std::uint32_t row0, row1;
        if (y0 >= double(H) - 1) {
            // Bottom edge. The running sum can only pass H − 1 by rounding;
            // the clamp keeps such a row inside the picture.
            row0 = H - 1;
            row1 = row0;
            fy = 0;
        } else {
            row0 = static_cast<std::uint32_t>(y0);
            row1 = row0 + 1;
        }
        const std::uint8_t* in0 = source.row(row0);
        const std::uint8_t* in1 = source.row(row1);
        std::uint8_t* out = target.row(i);
        const double gy = 1.0 - fy;

        for (std::uint32_t j = 0; j < edgeFrom; ++j, out += c) {
            const float fx = fxs[j];
            const double gx = 1.0 - fx;
            const std::uint8_t* p00 = in0 + std::size_t(x0s[j]) * c;
            const std::uint8_t* p01 = in1 + std::size_t(x0s[j]) * c;
            const std::uint8_t* p10 = p00 + c;
            const std::uint8_t* p11 = p01 + c;
            if (c == 1) {
                // Grey: the four products, unrounded.
                const double w00 = gx * gy, w10 = fx * gy, w01 = gx * fy, w11 = double(fx) * fy;
                out[0] = lowByte(truncate(w00 * p00[0] + w10 * p10[0] + w01 * p01[0] + w11 * p11[0]));
            } else {
                // Colour: three rounded products and the remainder.
                const float w00 = single(gx * gy);
                const float w10 = single(fx * gy);
                const float w01 = single(gx * fy);
                const float w11 = single(1.0 - w00 - w10 - w01);
                for (std::uint32_t k = 0; k < c; ++k)
                    out[k] = lowByte(truncate(double(w00) * p00[k] + double(w10) * p10[k] +
                                              double(w01) * p01[k] + double(w11) * p11[k]));
            }
        }
        // Right edge: vertical interpolation in the source's last column.
        const std::uint8_t* last0 = in0 + std::size_t(W - 1) * c;
        const std::uint8_t* last1 = in1 + std::size_t(W - 1) * c;
        for (std::uint32_t j = edgeFrom; j < w; ++j, out += c) {
            for (std::uint32_t k = 0; k < c; ++k)
                out[k] = lowByte(truncate(last1[k] * double(fy) + last0[k] * gy));
        }
        Y = Y + sy;
    }
}

// A Box window along one axis: source indices lo ≤ k < lo + n.
struct BoxWindow {
    std::int64_t lo;
    std::int64_t n;
};

// The windows of one Box pass, computed once per pass: destination index j
// averages trunc(j·s − half) ≤ k < trunc(j·s + half), clamped to 0 and N − 1
// (so the last source index never contributes).
std::vector<BoxWindow> boxWindows(std::uint32_t length, float s, std::uint32_t N)
{
    const float half = single(s * 0.5);
    std::vector<BoxWindow> windows(length);
    for (std::uint32_t j = 0; j < length; ++j) {
        const double centre = double(j) * s;
        std::int64_t lo = truncate(centre - half);
        std::int64_t hi = truncate(centre + half);
        lo = std::max<std::int64_t>(lo, 0);
        hi = std::min<std::int64_t>(hi, std::int64_t(N) - 1);
        windows[j] = {lo, hi - lo};
    }
    return windows;
}

// Box (code 2), for shrinking: mean of each window, horizontally then
// vertically, through an intermediate block of H rows × w columns.
void resampleBox(Image& image, std::uint32_t w, std::uint32_t h)
{
    lanczosTable();  // Box builds the table too when start-up has not
    const std::uint32_t W = image.width, H = image.height, c = image.components;
    const float sx = scaleFactor(W, w);
    const float sy = scaleFactor(H, h);

    // Horizontal pass. Colour multiplies by 1/n rounded to single.
    Image across;
    across.allocate(w, H, c);
    {
        const std::vector<BoxWindow> windows = boxWindows(w, sx, W);
        std::vector<float> inverses(w);
        for (std::uint32_t j = 0; j < w; ++j)
            inverses[j] = windows[j].n > 0 ? single(1.0 / double(windows[j].n)) : 0;
        for (std::uint32_t r = 0; r < H; ++r) {
            const std::uint8_t* in = image.row(r);
            std::uint8_t* out = across.row(r);
            for (std::uint32_t j = 0; j < w; ++j, out += c) {
                const BoxWindow& window = windows[j];
                if (c == 3 && window.n > 0) {
                    // Colour pictures: the three sums in one sweep.
                    std::int64_t S0 = 0, S1 = 0, S2 = 0;
                    const std::uint8_t* sample = in + std::size_t(window.lo) * 3;
                    for (std::int64_t m = 0; m < window.n; ++m, sample += 3) {
                        S0 += sample[0];
                        S1 += sample[1];
                        S2 += sample[2];
                    }
                    const double inverse = inverses[j];
                    out[0] = lowByte(truncate(double(S0) * inverse));
                    out[1] = lowByte(truncate(double(S1) * inverse));
                    out[2] = lowByte(truncate(double(S2) * inverse));
                    continue;
                }
                for (std::uint32_t k = 0; k < c; ++k) {
                    if (window.n <= 0) {
                        out[k] = 0;
                        continue;
                    }
                    std::int64_t S = 0;
                    const std::uint8_t* sample = in + std::size_t(window.lo) * c + k;
                    for (std::int64_t m = 0; m < window.n; ++m, sample += c)
                        S += *sample;
                    out[k] = c == 1 ? lowByte(S / window.n)
                                    : lowByte(truncate(double(S) * double(inverses[j])));
                }
            }
        }
    }
    image = std::move(across);

    // Vertical pass. Colour multiplies by 1/n unrounded.
    Image down;
    down.allocate(w, h, c);
    {
        const std::vector<BoxWindow> windows = boxWindows(h, sy, H);
        const std::size_t rowSamples = std::size_t(w) * c;
        std::vector<std::uint32_t> sums(rowSamples);
        for (std::uint32_t i = 0; i < h; ++i) {
            const BoxWindow& window = windows[i];
            std::uint8_t* out = down.row(i);
            if (window.n <= 0) {
                std::fill_n(out, rowSamples, std::uint8_t(0));
                continue;
            }
            std::fill(sums.begin(), sums.end(), 0u);
            for (std::int64_t m = 0; m < window.n; ++m) {
                const std::uint8_t* in = image.row(static_cast<std::uint32_t>(window.lo + m));
                for (std::size_t x = 0; x < rowSamples; ++x)
                    sums[x] += in[x];
            }
            const double inverse = 1.0 / double(window.n);
            for (std::size_t x = 0; x < rowSamples; ++x)
                out[x] = c == 1 ? lowByte(std::int64_t(sums[x]) / window.n)
                                : lowByte(truncate(double(sums[x]) * inverse));
        }
    }
    image = std::move(down);
}

// The contributing taps of one Lanczos3 destination index.
struct LanczosTap {
    std::uint32_t k;
    float weight;
};

struct LanczosKernel {
    std::size_t first = 0;  // into the pass's tap list
    std::size_t count = 0;
    double total = 0;       // Wt
    float inverse = 0;      // single(1 / Wt), for colour
};

// The taps of one Lanczos3 pass, computed once per pass. Candidates are
// trunc((j − 3)·s) ≤ k < trunc((j + 3)·s), clamped to 0 and N − 1; each
// weighs lanczosTable[trunc((k/s − j + 3) × 10922)] and only positive
// weights are kept (central lobe and outer positive lobes).
void lanczosKernels(std::uint32_t length, float s, std::uint32_t N,
                    std::vector<LanczosKernel>& kernels, std::vector<LanczosTap>& taps)
{
    const float* table = lanczosTable();
    const double inverseScale = 1.0 / s;
    kernels.assign(length, {});
    taps.clear();
    for (std::uint32_t j = 0; j < length; ++j) {
        std::int64_t lo = truncate((double(j) - 3) * s);
        std::int64_t hi = truncate((double(j) + 3) * s);
        lo = std::max<std::int64_t>(lo, 0);
        hi = std::min<std::int64_t>(hi, std::int64_t(N) - 1);
        LanczosKernel& kernel = kernels[j];
        kernel.first = taps.size();
        for (std::int64_t k = lo; k < hi; ++k) {
            const double x = double(k) * inverseScale - double(j);
            const std::int64_t t = truncate((x + 3) * kLanczosIndexScale);
            if (t < 0 || t >= kLanczosTableSize || !(table[t] > 0))
                continue;
            taps.push_back({static_cast<std::uint32_t>(k), table[t]});
            kernel.total += table[t];
        }
        kernel.count = taps.size() - kernel.first;
        if (kernel.total > 0)
            kernel.inverse = single(1.0 / kernel.total);
    }
}

// One Lanczos3 sample from its channel sum S and the kernel's weight total.
inline std::uint8_t lanczosSample(double S, const LanczosKernel& kernel, bool grey)
{
    if (!(kernel.total > 0))
        return 0;
    const double whole = std::trunc(S);
    return grey ? lowByte(truncate(whole / kernel.total))
                : lowByte(truncate(whole * double(kernel.inverse)));
}

// Lanczos3 (code 3), for shrinking: table-weighted sums, horizontally then
// vertically, through an intermediate block of H rows × w columns.
void resampleLanczos3(Image& image, std::uint32_t w, std::uint32_t h)
{
    const std::uint32_t W = image.width, H = image.height, c = image.components;
    const bool grey = c == 1;
    const float sx = scaleFactor(W, w);
    const float sy = scaleFactor(H, h);
    std::vector<LanczosKernel> kernels;
    std::vector<LanczosTap> taps;

    Image across;
    across.allocate(w, H, c);
    lanczosKernels(w, sx, W, kernels, taps);
    for (std::uint32_t r = 0; r < H; ++r) {
        const std::uint8_t* in = image.row(r);
        std::uint8_t* out = across.row(r);
        for (std::uint32_t j = 0; j < w; ++j, out += c) {
            const LanczosKernel& kernel = kernels[j];
            if (c == 3) {
                // Colour pictures, the usual case: one sweep over the taps
                // for all three sums, each still added in tap order.
                double S0 = 0, S1 = 0, S2 = 0;
                for (std::size_t m = kernel.first; m < kernel.first + kernel.count; ++m) {
                    const double weight = taps[m].weight;
                    const std::uint8_t* sample = in + std::size_t(taps[m].k) * 3;
                    S0 += weight * sample[0];
                    S1 += weight * sample[1];
                    S2 += weight * sample[2];
                }
                out[0] = lanczosSample(S0, kernel, false);
                out[1] = lanczosSample(S1, kernel, false);
                out[2] = lanczosSample(S2, kernel, false);
                continue;
            }
            for (std::uint32_t k = 0; k < c; ++k) {
                double S = 0;
                for (std::size_t m = kernel.first; m < kernel.first + kernel.count; ++m)
                    S += double(taps[m].weight) * in[std::size_t(taps[m].k) * c + k];
                out[k] = lanczosSample(S, kernel, grey);
            }
        }
    }
    image = std::move(across);

    // Vertical: the sums of a whole row are built tap by tap, which adds the
    // same terms in the same order as a sum per sample.
    Image down;
    down.allocate(w, h, c);
    lanczosKernels(h, sy, H, kernels, taps);
    const std::size_t rowSamples = std::size_t(w) * c;
    std::vector<double> sums(rowSamples);
    for (std::uint32_t i = 0; i < h; ++i) {
        const LanczosKernel& kernel = kernels[i];
        std::fill(sums.begin(), sums.end(), 0.0);
        for (std::size_t m = kernel.first; m < kernel.first + kernel.count; ++m) {
            const double weight = taps[m].weight;
            const std::uint8_t* in = image.row(taps[m].k);
            for (std::size_t x = 0; x < rowSamples; ++x)
                sums[x] += weight * in[x];
        }
        std::uint8_t* out = down.row(i);
        for (std::size_t x = 0; x < rowSamples; ++x)
            out[x] = lanczosSample(sums[x], kernel, grey);
    }
    image = std::move(down);
}

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

void resample(Image& image, int filter, std::uint32_t width, std::uint32_t height)
{
    if (filter < FilterPoint || filter > FilterLanczos3)
        return;
    if (width == 0 || height == 0 || image.empty() || image.components == 0) {
        // Nothing to sample from or nothing to make: an empty (or, from an
        // empty source, black) picture of the requested size.
        const std::uint32_t components = image.components;
        image.allocate(width, height, components);
        image.fill(0);
        return;
    }
    switch (filter) {
    case FilterPoint:
    case FilterBilinear: {
        Image target;
        target.allocate(width, height, image.components);
        if (filter == FilterPoint)
            resamplePoint(image, target);
        else
            resampleBilinear(image, target);
        image = std::move(target);
        break;
    }
    case FilterBox:
        resampleBox(image, width, height);
        break;
    case FilterLanczos3:
        resampleLanczos3(image, width, height);
        break;
    }
}

double fitSize(const Image& image, std::uint32_t& width, std::uint32_t& height)
{
    if (image.width == 0 || image.height == 0) {
        width = height = 0;
        return 0;
    }
    if (width == 0 || height == 0) {
        width = height = 0;
        return std::numeric_limits<double>::infinity();
    }
    // rx is kept in double, ry rounded to single: 2592 × 1944 into 800 × 600
    // picks ry = single(3.24), slightly above 3.24, and gives 799 × 599.
    const double rx = double(image.width) / width;
    const double ry = single(double(image.height) / height);
    const double r = rx > ry ? rx : ry;
    const double inverse = 1 / r;
    width = static_cast<std::uint32_t>(truncate(image.width * inverse));
    height = static_cast<std::uint32_t>(truncate(image.height * inverse));
    return r;
}

void fitAndResample(Image& image, std::uint32_t boxWidth, std::uint32_t boxHeight, int reduceFilter,
                    int magFilter)
{
    std::uint32_t width = boxWidth, height = boxHeight;
    const double ratio = fitSize(image, width, height);
    resample(image, chooseFilter(ratio, reduceFilter, magFilter), width, height);
}

}  // namespace quorvane
