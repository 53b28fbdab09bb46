#pragma once

#include <cstdint>

#include "imaging/image.h"
#include "imaging/row_source.h"

namespace quorvane {

// The resampling filter codes, as stored in both settings files.
enum ResampleFilter : int {
    FilterPoint = 0,
    FilterBilinear = 1,
    FilterBox = 2,
    FilterLanczos3 = 3,
    FilterNone = 4,
};

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
// count the colour arithmetic on every component. Windows and weights are
// worked out once per pass and the separable filters keep only the rows
// their current window needs; reference::resample (resample_reference.h) is
// the plain version every byte is checked against.
void resample(Image& image, int filter, std::uint32_t width, std::uint32_t height);

// resample() reading from rows: target becomes the width × height picture
// made with filter 0 to 3. width and height must not be 0 and the source
// must hold at least one pixel. False, with target empty, when the source
// failed to give a row or holds other than 1 or 3 components.
bool resampleRows(RowSource& source, Image& target, int filter, std::uint32_t width,
                  std::uint32_t height);

// Whether the filters may use the vector instructions the processor offers
// beyond the build's baseline (they are checked for at run time and give the
// same bytes; the tests compare both ways). Allowed unless switched off.
void allowVectorInstructions(bool allowed);

// The aspect-preserving size that fits the box width × height; returns the
// ratio r (source pixels per fitted pixel: above 1 shrinks). Each side is at
// least 1 pixel. A box with a zero side gives 0 × 0 (ratio infinity); an
// empty image gives 0 × 0 and ratio 0.
double fitSize(const Image& image, std::uint32_t& width, std::uint32_t& height);
// The same for a picture of sourceWidth × sourceHeight not yet decoded.
double fitSize(std::uint32_t sourceWidth, std::uint32_t sourceHeight, std::uint32_t& width,
               std::uint32_t& height);

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
