#include "imaging/resample_passes.h"

#include <cmath>

#include "imaging/resample_arithmetic.h"

namespace quorvane::resampling {

namespace {

// One colour pixel between columns x0 and x0 + 1 of rows in0 and in1: three
// products rounded to single and the remainder as the fourth weight.
inline void colourPixel(const std::uint8_t* p00, const std::uint8_t* p01, float fx, double gy, float fy,
                        std::uint8_t* out)
{
    const double gx = 1.0 - fx;
    const double w00 = single(gx * gy);
    const double w10 = single(fx * gy);
    const double w01 = single(gx * fy);
    const double w11 = single(1.0 - w00 - w10 - w01);
    const std::uint8_t* p10 = p00 + 3;
    const std::uint8_t* p11 = p01 + 3;
    for (std::uint32_t k = 0; k < 3; ++k)
        out[k] = lowByte(truncate(w00 * p00[k] + w10 * p10[k] + w01 * p01[k] + w11 * p11[k]));
}

#if QUORVANE_AVX2
__attribute__((target("avx2"))) inline __m256d toSingle(__m256d v)
{
    return _mm256_cvtps_pd(_mm256_cvtpd_ps(v));
}

// Byte `byte` of each 64-bit lane as a double: 2^52 with the byte in its
// low mantissa bits, less 2^52, which is exact.
__attribute__((target("avx2"))) inline __m256d sampleOf(__m256i lanes, int byte)
{
    const __m256i bits = _mm256_set1_epi64x(0x4330000000000000);
    const __m256i value = _mm256_and_si256(_mm256_srlv_epi64(lanes, _mm256_set1_epi64x(8 * byte)),
                                           _mm256_set1_epi64x(0xff));
    return _mm256_sub_pd(_mm256_castsi256_pd(_mm256_or_si256(value, bits)), _mm256_castsi256_pd(bits));
}

// Four colour pixels at a time, with the products and sums of colourPixel
// in the same order and precision (no fused multiply-add: the target is
// AVX2 alone). Each pixel's two neighbours, six bytes, come from one 8-byte
// gather per source row, so the caller keeps every gather inside the row.
__attribute__((target("avx2"))) void colourBilinearRowAvx2(const std::uint8_t* in0, const std::uint8_t* in1,
                                                           const std::uint32_t* offsets, const float* fxs,
                                                           std::uint32_t count, double gy, float fy,
                                                           std::uint8_t* out)
{
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d gy4 = _mm256_set1_pd(gy);
    const __m256d fy4 = _mm256_set1_pd(double(fy));
    alignas(16) std::int32_t bytes[3][4];
    for (std::uint32_t j = 0; j + 4 <= count; j += 4, out += 12) {
        const __m128i index = _mm_loadu_si128(reinterpret_cast<const __m128i*>(offsets + j));
        const __m256i row0 = _mm256_i32gather_epi64(reinterpret_cast<const long long*>(in0), index, 1);
        const __m256i row1 = _mm256_i32gather_epi64(reinterpret_cast<const long long*>(in1), index, 1);
        const __m256d fx = _mm256_cvtps_pd(_mm_loadu_ps(fxs + j));
        const __m256d gx = _mm256_sub_pd(one, fx);
        const __m256d w00 = toSingle(_mm256_mul_pd(gx, gy4));
        const __m256d w10 = toSingle(_mm256_mul_pd(fx, gy4));
        const __m256d w01 = toSingle(_mm256_mul_pd(gx, fy4));
        const __m256d w11 = toSingle(_mm256_sub_pd(_mm256_sub_pd(_mm256_sub_pd(one, w00), w10), w01));
        for (int k = 0; k < 3; ++k) {
            __m256d sum = _mm256_mul_pd(w00, sampleOf(row0, k));
            sum = _mm256_add_pd(sum, _mm256_mul_pd(w10, sampleOf(row0, k + 3)));
            sum = _mm256_add_pd(sum, _mm256_mul_pd(w01, sampleOf(row1, k)));
            sum = _mm256_add_pd(sum, _mm256_mul_pd(w11, sampleOf(row1, k + 3)));
            // Truncation toward zero, as truncate(); the sums stay far inside
            // 32 bits.
            _mm_store_si128(reinterpret_cast<__m128i*>(bytes[k]), _mm256_cvttpd_epi32(sum));
        }
        for (int n = 0; n < 4; ++n)
            for (int k = 0; k < 3; ++k)
                out[3 * n + k] = lowByte(bytes[k][n]);
    }
}
#endif

}  // namespace

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
    // The columns whose 8-byte gathers stay inside the row, in groups of four.
    std::uint32_t gathered = 0;
#if QUORVANE_AVX2
    if (c == 3 && useAvx2()) {
        while (gathered < edgeFrom && std::size_t(offsets[gathered]) + 8 <= std::size_t(W) * 3)
            ++gathered;
        gathered -= gathered % 4;
    }
#endif

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

        if (c == 1) {
            // Grey: the four products, unrounded.
            for (std::uint32_t j = 0; j < edgeFrom; ++j, ++out) {
                const float fx = fxs[j];
                const double gx = 1.0 - fx;
                const std::uint8_t* p00 = in0 + offsets[j];
                const std::uint8_t* p01 = in1 + offsets[j];
                const double w00 = gx * gy, w10 = fx * gy, w01 = gx * fy, w11 = double(fx) * fy;
                out[0] = lowByte(truncate(w00 * p00[0] + w10 * p00[1] + w01 * p01[0] + w11 * p01[1]));
            }
        } else {
#if QUORVANE_AVX2
            if (gathered > 0)
                colourBilinearRowAvx2(in0, in1, offsets.data(), fxs.data(), gathered, gy, fy, out);
#endif
            out += std::size_t(gathered) * 3;
            for (std::uint32_t j = gathered; j < edgeFrom; ++j, out += 3)
                colourPixel(in0 + offsets[j], in1 + offsets[j], fxs[j], gy, fy, out);
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

}  // namespace quorvane::resampling
