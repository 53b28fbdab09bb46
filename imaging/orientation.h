#pragma once

#include <cstdint>

#include "imaging/image.h"

namespace quorvane {

// Exif Orientation: how the stored pixels must be turned or mirrored to show
// the picture upright. 1 is already upright; 2 to 4 mirror or turn by 180
// degrees; 5 to 8 also exchange width and height (6: turn 90 degrees
// clockwise, 8: anticlockwise, 5 and 7 the mirrored ones). Anything else
// reads as 1.
int normalOrientation(int orientation);
bool orientationSwapsAxes(int orientation);

// Makes image upright according to orientation, replacing its block when the
// picture changes (never for 1). Meant for the small resampled picture, not
// the decoded source: the cost is one pass over the result.
void applyOrientation(Image& image, int orientation);

// The box a picture must be fitted into before it is turned, so that the
// turned result fits width × height: the box with its sides exchanged for
// orientations 5 to 8.
void storedBox(int orientation, std::uint32_t& width, std::uint32_t& height);

}  // namespace quorvane
