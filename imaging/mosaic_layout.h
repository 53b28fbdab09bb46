#pragma once

#include <cstdint>
#include <vector>

#include "imaging/image.h"

namespace quorvane {

// One entry's place on a directory thumbnail.
struct MosaicCell {
    std::uint32_t x = 0, y = 0, width = 0, height = 0;
};

// The cells of a directory thumbnail laid out for the number of entries it
// shows (at most columns × rows): 1 fills the canvas, 2 sit side by side,
// 3 and 4 in two rows, and so on up to the project's grid, the entries
// spread as evenly as possible over the rows. Together the cells cover the
// whole canvas, in reading order. No entries give no cells.
std::vector<MosaicCell> mosaicLayout(int entries, int columns, int rows, std::uint32_t canvasWidth,
                                     std::uint32_t canvasHeight);

// Scales the picture to cover width × height with the filter the ratio
// selects (shrinking with reduceFilter, enlarging with magFilter; codes
// outside 0 to 3 fall back to Box and Bilinear, since a cell must be
// covered) and keeps the middle: a centre crop, never a letterbox. The
// picture's first row and column are left out (see the definition).
void fillBox(Image& image, std::uint32_t width, std::uint32_t height, int reduceFilter, int magFilter);

}  // namespace quorvane
