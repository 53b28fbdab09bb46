#pragma once

// What every decoder fuzzer checks once a decoder took the input: the
// promises of todays_decoders.h, and every pixel readable (a block shorter
// than the picture shows under the address sanitizer). The file's Exif
// block goes through the same reader the scan uses.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "imaging/exif_reader.h"
#include "imaging/picture_reader.h"
#include "imaging/todays_decoders.h"

namespace quorvane::fuzz {

// Large enough for real structure, small enough that a header announcing a
// huge picture does not turn every run into seconds of decoding.
// Where the pixels read are summed, so the reads are not optimised away.
inline volatile unsigned pixelSum;

inline DecodeSettings smallPictures(const std::uint8_t* data, std::size_t size)
{
    DecodeSettings settings;
    settings.maxPixels = 512 * 512;
    settings.maxFileBytes = 1 << 20;
    // A background from the input, so composition sees varied colours.
    if (size >= 3)
        settings.background = std::uint32_t(data[0]) << 16 | std::uint32_t(data[1]) << 8 | data[2];
    return settings;
}

inline void checkDecoded(bool decoded, const Image& picture, const DecodeSettings& settings, bool greyAllowed)
{
    if (!decoded) {
        if (!picture.empty())
            std::abort();  // a failed decode leaves the image empty
        return;
    }
    if (picture.empty() || (picture.components != 3 && !(greyAllowed && picture.components == 1)) ||
        std::uint64_t(picture.width) * picture.height > settings.maxPixels)
        std::abort();
    unsigned sum = 0;
    for (std::size_t i = 0; i < picture.byteSize(); ++i)
        sum += picture.pixels[i];
    pixelSum = sum;
}

inline void checkExif(const std::string& path)
{
    std::size_t delivered = 0;
    readExif(path, [&delivered](const ExifValue& value) {
        std::string copy(value.text);  // touches every byte of a text
        delivered += copy.size() + 1;
    });
    const int orientation = pictureOrientation(path);
    if (orientation < 1 || orientation > 8)
        std::abort();
}

}  // namespace quorvane::fuzz
