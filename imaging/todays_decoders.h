#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/image.h"

namespace quorvane {

// Pictures larger than this are refused rather than decoded: their pixels
// alone would take gigabytes (a 200-megapixel phone picture is below it).
inline constexpr std::uint64_t kMostDecodedPixels = std::uint64_t(1) << 28;

struct DecodeSettings {
    // 0xRRGGBB shown through transparent and half-transparent pixels.
    std::uint32_t background = 0xFFFFFF;
    // Pictures announcing more pixels are refused.
    std::uint64_t maxPixels = kMostDecodedPixels;
    // Files larger than this are not read into memory (WebP is decoded from
    // memory).
    std::uint64_t maxFileBytes = std::uint64_t(1) << 30;
};

// Decoders of today's formats. Each decodes the whole picture (the first
// frame of an animation) into 3 components, or 1 for a grey PNG without
// transparency, with transparency composed over the background. False, with
// the image empty, for a file that cannot be read or decoded.
bool loadPng(Image& image, const std::string& path, const DecodeSettings& settings);
bool loadWebp(Image& image, const std::string& path, const DecodeSettings& settings);
// HEIC, HEIF and AVIF: the primary picture, already turned by the file's own
// rotation and mirroring (irot, imir), which libheif applies.
bool loadHeif(Image& image, const std::string& path, const DecodeSettings& settings);

// The size such a file announces, read from its header without decoding
// (for HEIF and AVIF after the file's own rotation); false when it has none.
bool readPngSize(const std::string& path, std::uint32_t& width, std::uint32_t& height);
bool readWebpSize(const std::string& path, std::uint32_t& width, std::uint32_t& height);
bool readHeifSize(const std::string& path, std::uint32_t& width, std::uint32_t& height);

// The Exif block of such a file, from its TIFF header on; empty when it has
// none. At most maxBytes are taken.
std::vector<unsigned char> readPngExif(const std::string& path, std::size_t maxBytes);
std::vector<unsigned char> readWebpExif(const std::string& path, std::size_t maxBytes);
std::vector<unsigned char> readHeifExif(const std::string& path, std::size_t maxBytes);

// The Exif block of a PNG, WebP, HEIF or AVIF file, told by its name, from
// its TIFF header on, at most 1 MiB; empty for other files and files
// without one.
std::vector<unsigned char> readTodaysExifBlock(const std::string& path);

// RGBA (or grey and alpha, components 2) rows composed over background into
// rgb (3 bytes a pixel).
void composeOverBackground(const std::uint8_t* pixels, std::uint32_t components, std::size_t count,
                           std::uint32_t background, std::uint8_t* rgb);

}  // namespace quorvane
