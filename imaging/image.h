#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quorvane {

// An in-memory picture of 8-bit samples: rows top to bottom, each
// row left to right, no padding; 1 component (grey) or 3 (R, G, B). Pictures
// that the codec delivers with 4 components (CMYK) are converted to RGB on
// load, so the rest of the system only ever sees 1 or 3.
class Image {
public:
    Image() = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    Image(Image&&) noexcept = default;
    Image& operator=(Image&&) noexcept = default;
    ~Image() = default;

    // Releases the current block and takes a new, uninitialised one. A zero
    // size stores the numbers and leaves no block (an empty image).
    bool allocate(std::uint32_t width, std::uint32_t height, std::uint32_t components);
    // Back to the state of a new image: no block, all numbers 0.
    void release();

    // One component: every byte becomes the low byte of value. More: each
    // pixel takes the first `components` bytes of value, little-endian.
    void fill(std::uint32_t value);

    // Copies this image into destination with its top-left pixel at (x, y).
    // A grey source pixel writes its value into every destination component.
    // Never writes outside the destination, nor outside the clipWidth ×
    // clipHeight box at (x, y), so a picture larger than its
    // directory-thumbnail cell is cut to the cell.
    void pasteInto(Image& destination, std::uint32_t x, std::uint32_t y,
                   std::uint32_t clipWidth = UINT32_MAX,
                   std::uint32_t clipHeight = UINT32_MAX) const;

    // JPEG input and output through libjpeg (imaging/jpeg_io.h). On a failed
    // load the image is left empty.
    bool loadJpeg(const std::string& path);
    bool saveJpeg(const std::string& path) const;

    bool empty() const { return !pixels; }
    std::size_t rowBytes() const { return std::size_t(width) * components; }
    std::size_t byteSize() const { return rowBytes() * height; }
    std::uint8_t* row(std::uint32_t r) { return pixels.get() + r * rowBytes(); }
    const std::uint8_t* row(std::uint32_t r) const { return pixels.get() + r * rowBytes(); }
    std::uint8_t* at(std::uint32_t x, std::uint32_t y) { return row(y) + std::size_t(x) * components; }
    const std::uint8_t* at(std::uint32_t x, std::uint32_t y) const
    {
        return row(y) + std::size_t(x) * components;
    }

    std::unique_ptr<std::uint8_t[]> pixels;
    std::uint32_t components = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

}  // namespace quorvane
