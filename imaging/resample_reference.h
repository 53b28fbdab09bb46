#pragma once

#include <cstdint>

#include "imaging/image.h"

namespace quorvane::reference {

// The four filters written as plainly as their arithmetic reads: every
// window, weight and sum worked out again for every destination sample, in
// the order the filter states. Slow; the fast filters of resample.h must give
// the same bytes, and the tests hold them to it. Same contract as
// quorvane::resample.
void resample(Image& image, int filter, std::uint32_t width, std::uint32_t height);

}  // namespace quorvane::reference
