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
    // Nonzero: the box the picture will be fitted into. The decoder may then
    // reduce the picture by 1/2, 1/4 or 1/8 while it decodes, the most that
    // keeps it at least twice the fitted size on each side (see
    // reducedDecodeFloor), where its format offers that: JPEG in the inverse
    // DCT, still WebP pictures in libwebp's own scaler.
    std::uint32_t fitBoxWidth = 0;
    std::uint32_t fitBoxHeight = 0;
};

// The least size a reduced decoding of a width × height picture must keep
// for settings' box: twice the size fitted into the box, or 0 × 0 when
// settings name no box (no reduction).
void reducedDecodeFloor(std::uint32_t width, std::uint32_t height, const DecodeSettings& settings,
                        std::uint32_t& leastWidth, std::uint32_t& leastHeight);

// Decoders of today's formats. Each decodes the whole picture (the first
// frame of an animation) into 3 components, or 1 for a grey PNG without
// transparency, with transparency composed over the background. False, with
// the image empty, for a file that cannot be read or decoded.
bool loadPng(Image& image, const std::string& path, const DecodeSettings& settings);
// fullWidth and fullHeight, when given, receive the picture's own size,
// which differs from the image's when the decoder reduced it.
bool loadWebp(Image& image, const std::string& path, const DecodeSettings& settings,
              std::uint32_t* fullWidth = nullptr, std::uint32_t* fullHeight = nullptr);
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
