#include "imaging/resample_passes.h"

#include <cstring>

#include "imaging/resample.h"
#include "imaging/resample_arithmetic.h"

namespace quorvane::resampling {

namespace {

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

}  // namespace

// Table-weighted sums, horizontally then vertically.
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

}  // namespace quorvane::resampling
