#include "imaging/orientation.h"

#include <cstring>
#include <utility>

namespace quorvane {

int normalOrientation(int orientation)
{
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

bool orientationSwapsAxes(int orientation)
{
    return normalOrientation(orientation) >= 5;
}

void storedBox(int orientation, std::uint32_t& width, std::uint32_t& height)
{
    if (orientationSwapsAxes(orientation))
        std::swap(width, height);
}

void applyOrientation(Image& image, int orientation)
{
    orientation = normalOrientation(orientation);
    if (orientation == 1 || image.empty())
        return;
    const std::uint32_t w = image.width, h = image.height, c = image.components;
    const bool swaps = orientationSwapsAxes(orientation);
    Image upright;
    upright.allocate(swaps ? h : w, swaps ? w : h, c);
    // For each upright pixel (x, y), the stored pixel it shows.
    for (std::uint32_t y = 0; y < upright.height; ++y) {
        std::uint8_t* out = upright.row(y);
        for (std::uint32_t x = 0; x < upright.width; ++x, out += c) {
            std::uint32_t sx = x, sy = y;
            switch (orientation) {
            case 2: sx = w - 1 - x; break;
            case 3: sx = w - 1 - x; sy = h - 1 - y; break;
            case 4: sy = h - 1 - y; break;
            case 5: sx = y; sy = x; break;
            case 6: sx = y; sy = h - 1 - x; break;
            case 7: sx = w - 1 - y; sy = h - 1 - x; break;
            case 8: sx = w - 1 - y; sy = x; break;
            default: break;
            }
            std::memcpy(out, image.at(sx, sy), c);
        }
    }
    image = std::move(upright);
}

}  // namespace quorvane
