#include "imaging/resample_passes.h"

#include <bit>
#include <cstring>

#include "imaging/resample_arithmetic.h"

namespace quorvane::resampling {

namespace {

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

#if QUORVANE_AVX2
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

}  // namespace

// Mean of each window, horizontally then vertically.
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

}  // namespace quorvane::resampling
