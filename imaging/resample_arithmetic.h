#pragma once

// The few rounding steps that every resampling filter shares, for the
// straightforward filters and the fast ones alike.

#include <cstdint>

#include "imaging/image.h"
#include "imaging/resample.h"

namespace quorvane::resampling {

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

// trunc(v) as an index below length. Running sums never pass the last index
// in practice; the clamp only keeps a stray rounding inside the block.
inline std::uint32_t clampedIndex(double v, std::uint32_t length)
{
    const std::int64_t index = truncate(v);
    return static_cast<std::uint32_t>(index < std::int64_t(length) ? index : std::int64_t(length) - 1);
}

inline std::uint8_t lowByte(std::int64_t v)
{
    return static_cast<std::uint8_t>(v & 0xff);
}

// The Lanczos3 table index of a distance x in destination pixels:
// trunc((x + 3) × 10922), 10922 being the integer part of 65536 / 6.
inline std::int64_t lanczosIndex(double x)
{
    return truncate((x + 3) * 10922.0);
}

// The requests that need no filter: codes outside 0–3 leave the image as it
// is; a zero size, or an empty or sample-less source, gives a black (or empty)
// picture of the requested size. True when the request was dealt with here.
inline bool resampledWithoutFilter(Image& image, int filter, std::uint32_t width, std::uint32_t height)
{
    if (filter < FilterPoint || filter > FilterLanczos3)
        return true;
    if (width == 0 || height == 0 || image.empty() || image.components == 0) {
        const std::uint32_t components = image.components;
        image.allocate(width, height, components);
        image.fill(0);
        return true;
    }
    return false;
}

}  // namespace quorvane::resampling
