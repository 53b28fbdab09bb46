#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace quorvane {

// The TIFF type codes of an entry.
enum ExifType : int {
    TypeByte = 1,
    TypeAscii = 2,
    TypeShort = 3,
    TypeLong = 4,
    TypeRational = 5,
    TypeSByte = 6,
    TypeUndefined = 7,
    TypeSShort = 8,
    TypeSLong = 9,
    TypeSRational = 10,
    TypeFloat = 11,
    TypeDouble = 12,
};

// The tag of the shot time, a text.
constexpr int kDateTimeOriginal = 0x9003;

// One decoded entry as handed to a visitor. Which member carries the value
// depends on the type code: integer for BYTE, SHORT, LONG, SBYTE, SSHORT and
// SLONG; real for FLOAT and DOUBLE; text for ASCII, RATIONAL and SRATIONAL and
// for the orientation, flash and aperture texts (which arrive with type 2).
struct ExifValue {
    int tag = 0;
    int type = 0;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string_view text;  // valid only during the visitor call
};

// The state of a read lives in whatever the visitor captures, so reads on
// different threads do not interfere.
using ExifVisitor = std::function<void(const ExifValue&)>;

// The 68 tags in their table order; 3 of them have no name.
std::span<const std::uint16_t> exifTagList();
// The tag's name ("Model" for 0x0110), or nullptr for tags without one.
const char* exifTagName(int tag);

// Scans the head of the JPEG file for its first APP1 segment and hands every
// decoded Exif entry to the visitor (for a PNG, WebP, HEIF or AVIF file, the
// entries of its Exif chunk or item). The orientation arrives as text with
// its number in integer. Silently does nothing for unreadable
// files and files without usable Exif data.
void readExif(const std::filesystem::path& path, const ExifVisitor& visitor);
// The same scan over bytes already in memory.
void readExifFromBytes(const unsigned char* data, std::size_t size, const ExifVisitor& visitor);
// Parses one APP1 payload (starting with "Exif\0\0").
void parseExifSegment(const unsigned char* payload, std::size_t size, const ExifVisitor& visitor);

// Parses an Exif block that starts at its TIFF header (as PNG, WebP and
// HEIF files store it).
void parseTiffBlock(const unsigned char* tiff, std::size_t size, const ExifVisitor& visitor);

}  // namespace quorvane
