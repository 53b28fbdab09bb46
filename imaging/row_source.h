#pragma once

#include <cstdint>

#include "imaging/image.h"

namespace quorvane {

// The rows of a picture, handed to a filter that asks for them from top to
// bottom: once row y has been asked for, the pointers given for rows y − 1
// and y stay valid until the next call, and no row above y − 1 is asked for
// again. Lets a decoder feed a filter a few rows at a time instead of through
// a whole decoded block.
class RowSource {
public:
    virtual ~RowSource() = default;
    // Null when the row cannot be produced (a decoding error).
    virtual const std::uint8_t* row(std::uint32_t y) = 0;

    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t components = 0;
};

// The rows of an image in memory.
class ImageRows final : public RowSource {
public:
    explicit ImageRows(const Image& image) : image_(image)
    {
        width = image.width;
        height = image.height;
        components = image.components;
    }
    const std::uint8_t* row(std::uint32_t y) override { return image_.row(y); }

private:
    const Image& image_;
};

}  // namespace quorvane
