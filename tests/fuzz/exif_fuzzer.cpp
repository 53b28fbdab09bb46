// Feeds arbitrary bytes to the Exif segment parser and to the JPEG marker
// scan in front of it, turning every value into a variable the way the
// script loops do.
#include <cstddef>
#include <cstdint>
#include <string>

#include "imaging/exif_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::size_t delivered = 0;
    const quorvane::ExifVisitor visitor = [&delivered](const quorvane::ExifValue& value) {
        // Touch every byte of a text so that a text reaching past its buffer shows.
        std::string copy(value.text);
        delivered += copy.size() + (quorvane::exifTagName(value.tag) != nullptr);
    };
    quorvane::parseExifSegment(data, size, visitor);
    quorvane::readExifFromBytes(data, size, visitor);
    return delivered == SIZE_MAX;
}
