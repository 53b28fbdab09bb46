#include "imaging/image.h"

#include <algorithm>
#include <cstring>

#include "imaging/jpeg_io.h"

namespace quorvane {

bool Image::allocate(std::uint32_t newWidth, std::uint32_t newHeight, std::uint32_t newComponents)
{
    pixels.reset();
    width = newWidth;
    height = newHeight;
    components = newComponents;
    const std::size_t bytes = byteSize();
    if (bytes > 0)
        pixels = std::make_unique_for_overwrite<std::uint8_t[]>(bytes);
    return true;
}

void Image::release()
{
    pixels.reset();
    width = height = components = 0;
}

void Image::fill(std::uint32_t value)
{
    if (!pixels)
        return;
    if (components == 1) {
        std::memset(pixels.get(), static_cast<int>(value & 0xff), byteSize());
        return;
    }
    std::uint8_t pixel[16] = {};
    for (std::uint32_t c = 0; c < std::min<std::uint32_t>(components, 4); ++c)
        pixel[c] = static_cast<std::uint8_t>(value >> (8 * c));
    const std::size_t count = std::size_t(width) * height;
    std::uint8_t* out = pixels.get();
    for (std::size_t i = 0; i < count; ++i) {
        for (std::uint32_t c = 0; c < components; ++c)
            *out++ = c < 16 ? pixel[c] : 0;
    }
}

void Image::pasteInto(Image& destination, std::uint32_t x, std::uint32_t y, std::uint32_t clipWidth,
                      std::uint32_t clipHeight) const
{
    if (!pixels || !destination.pixels || x >= destination.width || y >= destination.height)
        return;
    const std::uint32_t columns = std::min({width, destination.width - x, clipWidth});
    const std::uint32_t rows = std::min({height, destination.height - y, clipHeight});
    const std::uint32_t outComponents = destination.components;
    for (std::uint32_t j = 0; j < rows; ++j) {
        const std::uint8_t* in = row(j);
        std::uint8_t* out = destination.at(x, y + j);
        if (components == outComponents) {
            std::memcpy(out, in, std::size_t(columns) * components);
            continue;
        }
        // Grey into colour writes the one sample into R, G and B; any other
        // mismatch copies the samples the two layouts share.
        for (std::uint32_t i = 0; i < columns; ++i, in += components, out += outComponents) {
            for (std::uint32_t c = 0; c < outComponents; ++c)
                out[c] = in[std::min(c, components - 1)];
        }
    }
}

bool Image::loadJpeg(const std::string& path)
{
    return quorvane::loadJpeg(*this, path);
}

bool Image::saveJpeg(const std::string& path) const
{
    return quorvane::saveJpeg(*this, path);
}

}  // namespace quorvane
