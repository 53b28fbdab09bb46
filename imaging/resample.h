#pragma once

#include <cstdint>

#include "imaging/image.h"
// ResampleFilter: the filter codes stored in both settings files.
#include "options/project_options.h"

namespace quorvane {


inline constexpr int kLanczosTableSize = 65536;

// The Lanczos3 kernel (positive and negative lobes, 0 outside
// −3 < x < 3), with π and 1/3 as the single-precision constants 3.1415927 and
// 0.33333334.
float lanczos3(float x);

// The process-wide table of 65536 weights, entry i = lanczos3(single(i × 6 /
// 65536 − 3)). Built once, on the first call from any thread (thread-safe),
// and never rebuilt; the main window calls it at start-up.
const float* lanczosTable();

// Scales the image to width × height with filter 0 (Point), 1 (Bilinear),
// 2 (Box) or 3 (Lanczos3), single-precision quantities and truncations
// exactly as each filter states them. Any other code leaves the image
// unchanged. Images with 1 component take the grey arithmetic, any other
// count the colour arithmetic on every component.
void resample(Image& image, int filter, std::uint32_t width, std::uint32_t height);

// The aspect-preserving size that fits the box width × height; returns the
// ratio r (source pixels per fitted pixel: above 1 shrinks). A box with a zero
// side gives 0 × 0 (ratio infinity); an empty image gives 0 × 0 and ratio 0.
double fitSize(const Image& image, std::uint32_t& width, std::uint32_t& height);

// The callers' rule: shrink with reduceFilter
// when the ratio is above 1, otherwise enlarge (or keep) with magFilter.
inline int chooseFilter(double ratio, int reduceFilter, int magFilter)
{
    return ratio > 1 ? reduceFilter : magFilter;
}

// fitSize into the box, then resample with the filter the ratio selects.
void fitAndResample(Image& image, std::uint32_t boxWidth, std::uint32_t boxHeight,
                    int reduceFilter, int magFilter);

}  // namespace quorvane
