#include "imaging/resample.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "imaging/resample_arithmetic.h"
#include "imaging/resample_reference.h"

// Every pixel depends on the precision of each step: no fused
// multiply-add may merge two roundings into one. GCC contracts nothing in the
// ISO mode the project builds in; clang needs telling.
#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#endif

// The colour rows of the Box and Lanczos3 horizontal passes have AVX2
// versions, chosen at run time so that the build itself still runs on any
// x86-64 processor.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QUORVANE_AVX2 1
#include <immintrin.h>
#endif

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

// Bilinear (code 1), for enlarging: single-precision running sums, the right
// and bottom edges interpolating only along the other axis.
bool bilinearRows(RowSource& source, Image& target)
{
    const std::uint32_t W = source.width, H = source.height, c = source.components;
    const std::uint32_t w = target.width, h = target.height;
    const float sx = scaleFactor(W, w);
    const float sy = scaleFactor(H, h);

    // Column data, the same on every row: the offset of x0 and fx before the
    // right edge; from edgeFrom on every column takes the source's last one.
    std::vector<std::uint32_t> offsets(w);
    std::vector<float> fxs(w);
    std::uint32_t edgeFrom = w;
    float X = 0;
    for (std::uint32_t j = 0; j < w; ++j, X = X + sx) {
        const double x0 = std::floor(X);
        if (x0 >= double(W) - 1) {
            edgeFrom = j;
            break;
        }
        offsets[j] = static_cast<std::uint32_t>(x0) * c;
        fxs[j] = single(X - x0);
    }

    float Y = 0;
    for (std::uint32_t i = 0; i < h; ++i, Y = Y + sy) {
        const double y0 = std::floor(Y);
        float fy = single(Y - y0);
        const std::uint32_t row0 = static_cast<std::uint32_t>(std::min(y0, double(H) - 1));
        std::uint32_t row1 = row0 + 1;
        if (y0 >= double(H) - 1) {
            row1 = row0;  // bottom edge
            fy = 0;
        }
        const std::uint8_t* in0 = source.row(row0);
        const std::uint8_t* in1 = in0 && row1 != row0 ? source.row(row1) : in0;
        if (!in1)
            return false;
        const double gy = 1.0 - fy;
        std::uint8_t* out = target.row(i);

        for (std::uint32_t j = 0; j < edgeFrom; ++j, out += c) {
            const float fx = fxs[j];
            const double gx = 1.0 - fx;
            const std::uint8_t* p00 = in0 + offsets[j];
            const std::uint8_t* p01 = in1 + offsets[j];
            const std::uint8_t* p10 = p00 + c;
            const std::uint8_t* p11 = p01 + c;
            if (c == 1) {
                // Grey: the four products, unrounded.
                const double w00 = gx * gy, w10 = fx * gy, w01 = gx * fy, w11 = double(fx) * fy;
                out[0] = lowByte(truncate(w00 * p00[0] + w10 * p10[0] + w01 * p01[0] + w11 * p11[0]));
                continue;
            }
            // Colour: three rounded products and the remainder.
            const double w00 = single(gx * gy);
            const double w10 = single(fx * gy);
            const double w01 = single(gx * fy);
            const double w11 = single(1.0 - w00 - w10 - w01);
            for (std::uint32_t k = 0; k < 3; ++k)
                out[k] = lowByte(truncate(w00 * p00[k] + w10 * p10[k] + w01 * p01[k] + w11 * p11[k]));
        }
        // Right edge: vertical interpolation in the source's last column.
        const std::uint8_t* last0 = in0 + std::size_t(W - 1) * c;
        const std::uint8_t* last1 = in1 + std::size_t(W - 1) * c;
        for (std::uint32_t j = edgeFrom; j < w; ++j, out += c)
            for (std::uint32_t k = 0; k < c; ++k)
                out[k] = lowByte(truncate(last1[k] * double(fy) + last0[k] * gy));
    }
    return true;
}

// Source indices first ≤ k < first + count along one axis.
struct Span {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

// The windows of one Box pass: destination index j averages
// trunc(j·s − half) ≤ k < trunc(j·s + half), clamped to 0 and N − 1, so the
// last source index never contributes.
std::vector<Span> boxWindows(std::uint32_t length, float s, std::uint32_t N)
{
    const float half = single(s * 0.5);
    std::vector<Span> windows(length);
    for (std::uint32_t j = 0; j < length; ++j) {
        const double centre = double(j) * s;
        const std::int64_t lo = std::max<std::int64_t>(truncate(centre - half), 0);
        const std::int64_t hi = std::min<std::int64_t>(truncate(centre + half), std::int64_t(N) - 1);
        if (hi > lo)
            windows[j] = {static_cast<std::uint32_t>(lo), static_cast<std::uint32_t>(hi - lo)};
    }
    return windows;
}

// The mean of a Box window from its integer sum S over n samples: S / n for
// grey pictures; for colour trunc(S × 1/n) with 1/n rounded to single
// (horizontal pass) or not (vertical pass). For the window sizes of a pass
// the means of every reachable sum are looked up in tables built with the
// same arithmetic, so no division is left in the row loops.
class BoxMeans {
public:
    BoxMeans(bool grey, bool singleInverse) : grey_(grey), singleInverse_(singleInverse) {}

    std::uint8_t mean(std::uint32_t S, std::uint32_t n) const
    {
        return n == 0 ? 0 : mean(S, n, inverse(n));
    }

    // The table of sums 0 to 255·n, or null for windows wide enough that
    // their sums cost far more than one division.
    const std::uint8_t* table(std::uint32_t n)
    {
        if (n > kWidestTabled)
            return nullptr;
        if (tables_.size() <= n)
            tables_.resize(n + 1);
        std::vector<std::uint8_t>& table = tables_[n];
        if (table.empty()) {
            table.resize(std::size_t(255) * n + 1);
            const double factor = n == 0 ? 0 : inverse(n);
            for (std::uint32_t S = 0; S < table.size(); ++S)
                table[S] = n == 0 ? 0 : mean(S, n, factor);
        }
        return table.data();
    }

private:
    static constexpr std::uint32_t kWidestTabled = 64;

    double inverse(std::uint32_t n) const
    {
        return singleInverse_ ? double(single(1.0 / double(n))) : 1.0 / double(n);
    }

    std::uint8_t mean(std::uint32_t S, std::uint32_t n, double inverse) const
    {
        if (grey_)
            return lowByte(std::int64_t(S) / n);
        return lowByte(truncate(double(S) * inverse));
    }

    bool grey_;
    bool singleInverse_;
    std::vector<std::vector<std::uint8_t>> tables_;
};

inline std::uint8_t boxMean(const BoxMeans& means, const std::uint8_t* table, std::uint32_t S,
                            std::uint32_t n)
{
    return table ? table[S] : means.mean(S, n);
}

struct ColourSums {
    std::uint32_t R, G, B;
};

inline void storeColourMeans(std::uint8_t* out, const BoxMeans& means, const std::uint8_t* table,
                             ColourSums sums, std::uint32_t n)
{
    out[0] = boxMean(means, table, sums.R, n);
    out[1] = boxMean(means, table, sums.G, n);
    out[2] = boxMean(means, table, sums.B, n);
}

inline std::uint64_t load64(const std::uint8_t* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The sums of one Box window of a colour row: R, G and B of count pixels
// from p. Two pixels go through one 64-bit load: its bytes 0, 2, 4 (R0, B0,
// G1) and 1, 3, 5 (G0, R1, B1) are added into 16-bit lanes; 128 pairs cannot
// overflow them, even once the R and B lanes of both halves are added. The
// window never holds the row's last pixel, so the bytes a load reads past its
// pair, and the pixel after an even window, still lie inside the row.
inline ColourSums colourWindowSums(const std::uint8_t* p, std::uint32_t count)
{
    std::uint32_t R = 0, G = 0, B = 0;
    std::uint32_t pairs = count / 2;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kLanes = 0x000000ff00ff00ffull;
        do {
            const std::uint32_t chunk = std::min<std::uint32_t>(pairs, 128);
            std::uint64_t even = 0, odd = 0;
            for (std::uint32_t q = 0; q < chunk; ++q, p += 6) {
                const std::uint64_t v = load64(p);
                even += v & kLanes;
                odd += (v >> 8) & kLanes;
            }
            const std::uint64_t redBlue = even + (odd >> 16);
            R += static_cast<std::uint32_t>(redBlue & 0xffff);
            B += static_cast<std::uint32_t>((redBlue >> 16) & 0xffff);
            G += static_cast<std::uint32_t>((odd & 0xffff) + (even >> 32));
            pairs -= chunk;
        } while (pairs > 0);
    } else {
        for (; pairs > 0; --pairs, p += 6) {
            R += p[0] + p[3];
            G += p[1] + p[4];
            B += p[2] + p[5];
        }
    }
    // The odd pixel without a branch: window sizes alternate unpredictably.
    const std::uint32_t last = 0u - (count & 1);
    return {R + (p[0] & last), G + (p[1] & last), B + (p[2] & last)};
}

std::atomic<bool> vectorInstructionsAllowed{true};

#if QUORVANE_AVX2
bool useAvx2()
{
    static const bool present = __builtin_cpu_supports("avx2");
    return present && vectorInstructionsAllowed.load(std::memory_order_relaxed);
}

// The Box sums of a colour row, ten pixels (30 bytes) of a window per
// 32-byte load: the bytes past the window are masked off, one shuffle per
// 16-byte half gathers its reds and greens, another its blues, and a sum of
// absolute differences against zero adds each group. Windows whose load
// would pass the row's end, and what is left of longer ones there, go through
// colourWindowSums.
__attribute__((target("avx2"))) void colourBoxRowAvx2(const std::uint8_t* in, std::size_t rowBytes,
                                                      std::uint8_t* out, const Span* windows,
                                                      const std::uint8_t* const* tables, std::size_t w,
                                                      const BoxMeans& means)
{
    constexpr char Z = -128;  // a shuffle index that gives 0
    // Byte b of the low half holds channel b mod 3, of the high half
    // (b + 1) mod 3: reds and greens into the low and high 8 bytes of each
    // half, blues into the low 8.
    const __m256i redGreen = _mm256_setr_epi8(0, 3, 6, 9, 12, 15, Z, Z, 1, 4, 7, 10, 13, Z, Z, Z,  //
                                              2, 5, 8, 11, 14, Z, Z, Z, 0, 3, 6, 9, 12, 15, Z, Z);
    const __m256i blue = _mm256_setr_epi8(2, 5, 8, 11, 14, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z,  //
                                          1, 4, 7, 10, 13, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z);
    const __m256i index = _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,  //
                                           16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
    const __m256i zero = _mm256_setzero_si256();
    for (std::size_t j = 0; j < w; ++j, out += 3) {
        const Span window = windows[j];
        std::size_t offset = std::size_t(window.first) * 3;
        std::uint32_t left = window.count;
        __m256i sumsRedGreen = zero, sumsBlue = zero;
        while (left > 0 && offset + 32 <= rowBytes) {
            const std::uint32_t pixels = std::min<std::uint32_t>(left, 10);
            const __m256i inside = _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(3 * pixels)), index);
            const __m256i v = _mm256_and_si256(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + offset)), inside);
            sumsRedGreen = _mm256_add_epi64(sumsRedGreen, _mm256_sad_epu8(_mm256_shuffle_epi8(v, redGreen), zero));
            sumsBlue = _mm256_add_epi64(sumsBlue, _mm256_sad_epu8(_mm256_shuffle_epi8(v, blue), zero));
            left -= pixels;
            offset += 30;
        }
        const __m128i rg = _mm_add_epi64(_mm256_castsi256_si128(sumsRedGreen),
                                         _mm256_extracti128_si256(sumsRedGreen, 1));
        const __m128i b = _mm_add_epi64(_mm256_castsi256_si128(sumsBlue), _mm256_extracti128_si256(sumsBlue, 1));
        ColourSums sums{static_cast<std::uint32_t>(_mm_cvtsi128_si64(rg)),
                        static_cast<std::uint32_t>(_mm_extract_epi64(rg, 1)),
                        static_cast<std::uint32_t>(_mm_cvtsi128_si64(b))};
        if (left > 0) {
            const ColourSums rest = colourWindowSums(in + offset, left);
            sums.R += rest.R;
            sums.G += rest.G;
            sums.B += rest.B;
        }
        storeColourMeans(out, means, tables[j], sums, window.count);
    }
}
#endif

// The horizontal pass of one Box pass over a source row.
struct BoxAcross {
    std::vector<Span> windows;
    std::vector<const std::uint8_t*> tables;  // one per destination column
    BoxMeans means;
    std::uint32_t components;
    std::size_t rowBytes;  // of a source row

    BoxAcross(std::uint32_t w, float sx, std::uint32_t W, std::uint32_t c)
        : windows(boxWindows(w, sx, W)), tables(w), means(c == 1, true), components(c),
          rowBytes(std::size_t(W) * c)
    {
        for (std::uint32_t j = 0; j < w; ++j)
            tables[j] = means.table(windows[j].count);
    }

    void row(const std::uint8_t* in, std::uint8_t* out) const
    {
        const std::size_t w = windows.size();
#if QUORVANE_AVX2
        if (components == 3 && useAvx2()) {
            colourBoxRowAvx2(in, rowBytes, out, windows.data(), tables.data(), w, means);
            return;
        }
#endif
        for (std::size_t j = 0; j < w; ++j) {
            const Span window = windows[j];
            const std::uint8_t* table = tables[j];
            if (components == 3) {
                storeColourMeans(out, means, table, colourWindowSums(in + std::size_t(window.first) * 3, window.count),
                                 window.count);
                out += 3;
                continue;
            }
            const std::uint8_t* sample = in + window.first;
            std::uint32_t S = 0;
            for (std::uint32_t m = 0; m < window.count; ++m)
                S += sample[m];
            *out++ = boxMean(means, table, S, window.count);
        }
    }
};

// The rows of the horizontal pass that the vertical pass is working on: row
// k of the intermediate picture lives in slot k mod the ring's height. The
// vertical windows move down monotonically and are never taller than the
// ring, so a row is made once and stays until no window needs it.
class RowRing {
public:
    RowRing(std::uint32_t rows, std::size_t rowBytes) : rows_(std::max(rows, 1u)), rowBytes_(rowBytes),
        block_(rows_ * rowBytes)
    {
    }

    // Makes the intermediate rows first ≤ k < end not made yet, each from
    // source row k, skipping rows no window needs.
    template <typename MakeRow>
    bool fill(RowSource& source, std::uint32_t first, std::uint32_t end, MakeRow makeRow)
    {
        for (std::uint32_t k = std::max(first, next_); k < end; ++k) {
            const std::uint8_t* in = source.row(k);
            if (!in)
                return false;
            makeRow(in, slot(k));
        }
        next_ = std::max(next_, end);
        return true;
    }

    std::uint8_t* slot(std::uint32_t k) { return block_.data() + (k % rows_) * rowBytes_; }

private:
    std::size_t rows_;
    std::size_t rowBytes_;
    std::vector<std::uint8_t> block_;
    std::uint32_t next_ = 0;
};

// The means of one vertical Box window: the rows' samples are summed column
// by column, in 16-bit sums when no column can pass 65535 (twice as many per
// vector), otherwise in 32-bit ones.
template <typename Sum>
void boxColumnMeans(RowRing& ring, Span window, std::vector<Sum>& sums, BoxMeans& means, std::uint8_t* out)
{
    const std::size_t samples = sums.size();
    Sum* sum = sums.data();
    const std::uint8_t* first = ring.slot(window.first);
    for (std::size_t x = 0; x < samples; ++x)
        sum[x] = first[x];
    for (std::uint32_t m = 1; m < window.count; ++m) {
        const std::uint8_t* in = ring.slot(window.first + m);
        for (std::size_t x = 0; x < samples; ++x)
            sum[x] = static_cast<Sum>(sum[x] + in[x]);
    }
    if (const std::uint8_t* table = means.table(window.count)) {
        for (std::size_t x = 0; x < samples; ++x)
            out[x] = table[sum[x]];
    } else {
        for (std::size_t x = 0; x < samples; ++x)
            out[x] = means.mean(sum[x], window.count);
    }
}

// Box (code 2), for shrinking: mean of each window, horizontally then
// vertically.
bool boxRows(RowSource& source, Image& target)
{
    const std::uint32_t W = source.width, H = source.height, c = source.components;
    const std::uint32_t w = target.width, h = target.height;
    const BoxAcross across(w, scaleFactor(W, w), W, c);
    const std::vector<Span> windows = boxWindows(h, scaleFactor(H, h), H);
    BoxMeans means(c == 1, false);

    std::uint32_t tallest = 1;
    for (const Span& window : windows)
        tallest = std::max(tallest, window.count);
    const std::size_t rowSamples = std::size_t(w) * c;
    RowRing ring(tallest, rowSamples);
    const bool narrowSums = tallest <= 65535 / 255;
    std::vector<std::uint16_t> narrow(narrowSums ? rowSamples : 0);
    std::vector<std::uint32_t> wide(narrowSums ? 0 : rowSamples);

    for (std::uint32_t i = 0; i < h; ++i) {
        const Span window = windows[i];
        std::uint8_t* out = target.row(i);
        if (window.count == 0) {
            std::fill_n(out, rowSamples, std::uint8_t(0));
            continue;
        }
        if (!ring.fill(source, window.first, window.first + window.count,
                       [&](const std::uint8_t* in, std::uint8_t* made) { across.row(in, made); }))
            return false;
        if (narrowSums)
            boxColumnMeans(ring, window, narrow, means, out);
        else
            boxColumnMeans(ring, window, wide, means, out);
    }
    return true;
}

struct LanczosPass;
#if QUORVANE_AVX2
void colourLanczosRowAvx2(const std::uint8_t* in, std::uint8_t* out, const LanczosPass& pass);
#endif

// The contributing taps of one Lanczos3 pass, worked out once per pass:
// destination index j has the taps first ≤ t < first + count.
struct LanczosTap {
    std::uint32_t k;
    double weight;
};

struct LanczosKernel {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    double total = 0;   // Wt
    double inverse = 0; // single(1 / Wt), for colour
};

struct LanczosPass {
    std::vector<LanczosKernel> kernels;
    std::vector<LanczosTap> taps;
    bool grey;

    // Candidates are trunc((j − 3)·s) ≤ k < trunc((j + 3)·s), clamped to 0
    // and N − 1; each weighs lanczosTable[trunc((k/s − j + 3) × 10922)] and
    // only positive weights are kept (central lobe and outer positive lobes).
    LanczosPass(std::uint32_t length, float s, std::uint32_t N, bool grey) : kernels(length), grey(grey)
    {
        const float* table = lanczosTable();
        const double inverseScale = 1.0 / s;
        for (std::uint32_t j = 0; j < length; ++j) {
            const std::int64_t lo = std::max<std::int64_t>(truncate((double(j) - 3) * s), 0);
            const std::int64_t hi = std::min<std::int64_t>(truncate((double(j) + 3) * s), std::int64_t(N) - 1);
            LanczosKernel& kernel = kernels[j];
            kernel.first = static_cast<std::uint32_t>(taps.size());
            for (std::int64_t k = lo; k < hi; ++k) {
                const std::int64_t t = lanczosIndex(double(k) * inverseScale - double(j));
                if (t < 0 || t >= kLanczosTableSize || !(table[t] > 0))
                    continue;
                taps.push_back({static_cast<std::uint32_t>(k), table[t]});
                kernel.total += table[t];
            }
            kernel.count = static_cast<std::uint32_t>(taps.size()) - kernel.first;
            if (kernel.total > 0)
                kernel.inverse = single(1.0 / kernel.total);
        }
    }

    // One sample from its channel sum S; S is never above 255 × Wt, so
    // truncating through an integer equals trunc(S).
    std::uint8_t sample(double S, const LanczosKernel& kernel) const
    {
        if (kernel.count == 0)
            return 0;
        const double whole = double(truncate(S));
        return grey ? lowByte(truncate(whole / kernel.total)) : lowByte(truncate(whole * kernel.inverse));
    }

    void row(const std::uint8_t* in, std::uint8_t* out, std::uint32_t c) const
    {
#if QUORVANE_AVX2
        if (c == 3 && useAvx2()) {
            colourLanczosRowAvx2(in, out, *this);
            return;
        }
#endif
        for (const LanczosKernel& kernel : kernels) {
            const LanczosTap* tap = taps.data() + kernel.first;
            const LanczosTap* end = tap + kernel.count;
            if (c == 3) {
                // The three sums in one sweep, each still added in tap order.
                double S0 = 0, S1 = 0, S2 = 0;
                for (; tap != end; ++tap) {
                    const std::uint8_t* pixel = in + std::size_t(tap->k) * 3;
                    S0 += tap->weight * pixel[0];
                    S1 += tap->weight * pixel[1];
                    S2 += tap->weight * pixel[2];
                }
                out[0] = sample(S0, kernel);
                out[1] = sample(S1, kernel);
                out[2] = sample(S2, kernel);
                out += 3;
            } else {
                double S = 0;
                for (; tap != end; ++tap)
                    S += tap->weight * in[tap->k];
                *out++ = sample(S, kernel);
            }
        }
    }
};

#if QUORVANE_AVX2
// One pixel's three samples (and the next pixel's red, which nothing reads)
// as doubles. The pixel is never the row's last, so the four bytes are
// inside the row.
__attribute__((target("avx2"))) inline __m256d pixelAsDoubles(const std::uint8_t* in, std::uint32_t k)
{
    std::int32_t bytes;
    std::memcpy(&bytes, in + std::size_t(k) * 3, sizeof bytes);
    return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(bytes)));
}

// Adds count taps to the sums: lane c of the vector is channel c's sum, and
// each lane adds its products in tap order, as the plain filter does.
__attribute__((target("avx2"))) inline __m256d addTaps(__m256d sums, const std::uint8_t* in,
                                                       const LanczosTap* tap, std::uint32_t count)
{
    for (const LanczosTap* end = tap + count; tap != end; ++tap)
        sums = _mm256_add_pd(sums, _mm256_mul_pd(_mm256_set1_pd(tap->weight), pixelAsDoubles(in, tap->k)));
    return sums;
}

__attribute__((target("avx2"))) inline void storeSamples(const LanczosPass& pass, std::uint8_t* out, __m256d sums,
                                                         const LanczosKernel& kernel)
{
    alignas(32) double S[4];
    _mm256_store_pd(S, sums);
    for (int k = 0; k < 3; ++k)
        out[k] = pass.sample(S[k], kernel);
}

// The Lanczos3 horizontal pass over a colour row. A sum is a chain of
// dependent additions, so four destination pixels advance together, tap by
// tap, for as many taps as all four have; each then adds its remaining taps.
__attribute__((target("avx2"))) void colourLanczosRowAvx2(const std::uint8_t* in, std::uint8_t* out,
                                                          const LanczosPass& pass)
{
    const LanczosKernel* kernels = pass.kernels.data();
    const LanczosTap* taps = pass.taps.data();
    const std::size_t w = pass.kernels.size();
    std::size_t j = 0;
    for (; j + 4 <= w; j += 4, out += 12) {
        const LanczosKernel* k = kernels + j;
        const LanczosTap* t0 = taps + k[0].first;
        const LanczosTap* t1 = taps + k[1].first;
        const LanczosTap* t2 = taps + k[2].first;
        const LanczosTap* t3 = taps + k[3].first;
        const std::uint32_t together = std::min({k[0].count, k[1].count, k[2].count, k[3].count});
        __m256d s0 = _mm256_setzero_pd(), s1 = s0, s2 = s0, s3 = s0;
        for (std::uint32_t m = 0; m < together; ++m) {
            s0 = _mm256_add_pd(s0, _mm256_mul_pd(_mm256_set1_pd(t0[m].weight), pixelAsDoubles(in, t0[m].k)));
            s1 = _mm256_add_pd(s1, _mm256_mul_pd(_mm256_set1_pd(t1[m].weight), pixelAsDoubles(in, t1[m].k)));
            s2 = _mm256_add_pd(s2, _mm256_mul_pd(_mm256_set1_pd(t2[m].weight), pixelAsDoubles(in, t2[m].k)));
            s3 = _mm256_add_pd(s3, _mm256_mul_pd(_mm256_set1_pd(t3[m].weight), pixelAsDoubles(in, t3[m].k)));
        }
        storeSamples(pass, out, addTaps(s0, in, t0 + together, k[0].count - together), k[0]);
        storeSamples(pass, out + 3, addTaps(s1, in, t1 + together, k[1].count - together), k[1]);
        storeSamples(pass, out + 6, addTaps(s2, in, t2 + together, k[2].count - together), k[2]);
        storeSamples(pass, out + 9, addTaps(s3, in, t3 + together, k[3].count - together), k[3]);
    }
    for (; j < w; ++j, out += 3)
        storeSamples(pass, out, addTaps(_mm256_setzero_pd(), in, taps + kernels[j].first, kernels[j].count), kernels[j]);
}
#endif

// One tap of a vertical Lanczos3 pass, over a whole row. Each sum takes its
// product in turn, so vectors across the row change no result; on a
// processor with AVX2 the same loop is compiled for it.
[[gnu::always_inline]] inline void addWeightedRowLoop(double* sums, const std::uint8_t* in, double weight,
                                                      std::size_t samples)
{
    for (std::size_t x = 0; x < samples; ++x)
        sums[x] += weight * in[x];
}

#if QUORVANE_AVX2
__attribute__((target("avx2"))) void addWeightedRowAvx2(double* sums, const std::uint8_t* in, double weight,
                                                        std::size_t samples)
{
    addWeightedRowLoop(sums, in, weight, samples);
}
#endif

void addWeightedRow(double* sums, const std::uint8_t* in, double weight, std::size_t samples)
{
#if QUORVANE_AVX2
    if (useAvx2()) {
        addWeightedRowAvx2(sums, in, weight, samples);
        return;
    }
#endif
    addWeightedRowLoop(sums, in, weight, samples);
}

// Lanczos3 (code 3), for shrinking: table-weighted sums, horizontally then
// vertically.
bool lanczosRows(RowSource& source, Image& target)
{
    const std::uint32_t W = source.width, H = source.height, c = source.components;
    const std::uint32_t w = target.width, h = target.height;
    const LanczosPass across(w, scaleFactor(W, w), W, c == 1);
    const LanczosPass down(h, scaleFactor(H, h), H, c == 1);

    std::uint32_t tallest = 1;
    for (const LanczosKernel& kernel : down.kernels)
        if (kernel.count > 0)
            tallest = std::max(tallest, down.taps[kernel.first + kernel.count - 1].k - down.taps[kernel.first].k + 1);
    const std::size_t rowSamples = std::size_t(w) * c;
    RowRing ring(tallest, rowSamples);
    std::vector<double> sums(rowSamples);

    for (std::uint32_t i = 0; i < h; ++i) {
        const LanczosKernel& kernel = down.kernels[i];
        std::uint8_t* out = target.row(i);
        if (kernel.count == 0) {
            std::fill_n(out, rowSamples, std::uint8_t(0));
            continue;
        }
        const LanczosTap* taps = down.taps.data() + kernel.first;
        if (!ring.fill(source, taps[0].k, taps[kernel.count - 1].k + 1,
                       [&](const std::uint8_t* in, std::uint8_t* made) { across.row(in, made, c); }))
            return false;
        // The sums of a whole row are built tap by tap: the same terms in the
        // same order as one sum per sample.
        std::fill(sums.begin(), sums.end(), 0.0);
        for (std::uint32_t m = 0; m < kernel.count; ++m)
            addWeightedRow(sums.data(), ring.slot(taps[m].k), taps[m].weight, rowSamples);
        for (std::size_t x = 0; x < rowSamples; ++x)
            out[x] = down.sample(sums[x], kernel);
    }
    return true;
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
