#include "imaging/exif_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <vector>

#include "foundation/chunk_buffer.h"
#include "foundation/file_handle.h"
#include "foundation/format.h"
#include "imaging/picture_format.h"
#include "imaging/todays_decoders.h"

namespace quorvane {

namespace {

struct TagName {
    std::uint16_t tag;
    const char* name;
};

// Skins refer to these names as {Exif_<name>}; the spellings are part of the
// skin interface and must not be corrected.
constexpr TagName kTagNames[] = {
    {0x010E, "ImageDescription"},
    {0x010F, "Make"},
    {0x0110, "Model"},
    {0x0112, "Orientation"},
    {0x011A, "XResolution"},
    {0x011B, "YResolution"},
    {0x0128, "ResolutionUnit"},
    {0x0131, "Software"},
    {0x0132, "DateTime"},
    {0x013E, "WhitePoint"},
    {0x013F, "PrimaryChromaticies"},
    {0x0211, "YCbRbCoefficients"},
    {0x0213, "YCbRbPositioning"},
    {0x0214, "ReferenceBlackWhite"},
    {0x8298, "Copyright"},
    {0x8769, nullptr},
    {0x829A, "ExposureTime"},
    {0x829D, "FNumber"},
    {0x8822, "ExposureProgram"},
    {0x8827, "IsoSpeedRatings"},
    {0x9000, "ExifVersion"},
    {0x9003, "DateTimeOriginal"},
    {0x9004, "DateTimeDigitized"},
    {0x9101, "ComponentsConfiguration"},
    {0x9102, "CompressedBitsPerPixel"},
    {0x9201, "ShutterSpeedValue"},
    {0x9202, "ApertureValue"},
    {0x9203, "BrightnessValue"},
    {0x9204, "ExposureBiasValue"},
    {0x9205, "MaxApertureValue"},
    {0x9206, "SubjectDistance"},
    {0x9207, "MeteringMode"},
    {0x9208, "LightSource"},
    {0x9209, "Flash"},
    {0x920A, "FocalLength"},
    {0x927C, nullptr},
    {0x9286, "UserComment"},
    {0x9290, "SubSecTime"},
    {0x9291, "SubSecTimeOriginal"},
    {0x9292, "SubSecTimeDigitized"},
    {0xA000, "FlashPixVersion"},
    {0xA001, "ColorSpace"},
    {0xA002, "ExifImageWidth"},
    {0xA003, "ExifImageHeight"},
    {0xA004, "RelatedSoundFile"},
    {0xA005, nullptr},
    {0xA20E, "FocalPlaneXResolution"},
    {0xA20F, "FocalPlaneYResolution"},
    {0xA210, "FocalPlaneResolutionUnit"},
    {0xA215, "ExposureIndex"},
    {0xA217, "SensingMethod"},
    {0xA300, "FileSource"},
    {0xA301, "SceneType"},
    {0xA302, "CFAPattern"},
    {0xA401, "CustomRendered"},
    {0xA402, "ExposureMode"},
    {0xA403, "WhiteBalance"},
    {0xA404, "DigitalZoomRatio"},
    {0xA405, "FocalLengthIn35mmFilm"},
    {0xA406, "SceneCaptureType"},
    {0xA407, "GainControl"},
    {0xA408, "Contrast"},
    {0xA409, "Saturation"},
    {0xA40A, "Sharpness"},
    {0xA40B, "DeviceSettingDescription"},
    {0xA40C, "SubjectDistanceRange"},
    {0xA420, "ImageUniqueID"},
    {0xA500, "Gamma"},
};

constexpr auto kTagList = [] {
    std::array<std::uint16_t, std::size(kTagNames)> tags{};
    for (std::size_t i = 0; i < tags.size(); ++i)
        tags[i] = kTagNames[i].tag;
    return tags;
}();

constexpr int kExifPointer = 0x8769;
constexpr int kMakerNote = 0x927C;
constexpr int kInteropPointer = 0xA005;
constexpr int kOrientation = 0x0112;
constexpr int kFlash = 0x9209;
constexpr int kApertureValue = 0x9202;

constexpr const char* kOrientationTexts[] = {
    "Top-Left", "Top-Right", "Bottom-Right", "Bottom-Left",
    "Left-Top", "Right-Top", "Right-Bottom", "Left-Bottom",
};

const char* orientationText(unsigned value)
{
    return value >= 1 && value <= 8 ? kOrientationTexts[value - 1] : "";
}

const char* flashText(unsigned value)
{
    switch (value) {
    case 0: return "Flash not fired";
    case 1: return "Flash fired";
    case 5: return "Strobe return light not detected";
    case 7: return "Strobe return light detected";
    case 9: case 13: case 15: return "Flash forced on";
    case 16: return "Flash forced off";
    case 24: return "Flash not fired, auto mode";
    case 25: case 29: case 31: return "Flash fired, auto mode";
    case 32: return "No flash function";
    case 65: case 69: case 71: return "Flash fired, red-eye reduction";
    case 73: case 77: case 79: return "Flash forced on, red-eye reduction";
    case 89: case 93: case 95: return "Flash fired, auto mode, red-eye reduction";
    default: return "";
    }
}

// Size of one value of the type; 0 for type codes the format does not define.
std::size_t typeSize(int type)
{
    switch (type) {
    case TypeByte: case TypeAscii: case TypeSByte: case TypeUndefined:
        return 1;
    case TypeShort: case TypeSShort:
        return 2;
    case TypeLong: case TypeSLong: case TypeFloat:
        return 4;
    case TypeRational: case TypeSRational: case TypeDouble:
        return 8;
    default:
        return 0;
    }
}

// The TIFF structure inside one APP1 payload. Every read is checked against
// the payload's end: offsets and counts come from arbitrary files.
class TiffWalker {
public:
    TiffWalker(const unsigned char* tiff, std::size_t size, bool bigEndian,
               const ExifVisitor& visitor)
        : tiff_(tiff), size_(size), bigEndian_(bigEndian), visitor_(visitor)
    {
    }

    // Checks the magic number after the byte-order mark and walks IFD0.
    void walk();

private:
    struct Walk {
        std::size_t entries;  // offset of the first entry
        std::size_t count;    // entries that lie inside the payload
        std::size_t next = 0;
    };

    bool inside(std::size_t offset, std::size_t length) const
    {
        return offset <= size_ && length <= size_ - offset;
    }
    std::uint16_t u16(std::size_t at) const
    {
        return bigEndian_ ? static_cast<std::uint16_t>(tiff_[at] << 8 | tiff_[at + 1])
                          : static_cast<std::uint16_t>(tiff_[at + 1] << 8 | tiff_[at]);
    }
    std::uint32_t u32(std::size_t at) const
    {
        const std::uint32_t high = u16(bigEndian_ ? at : at + 2);
        const std::uint32_t low = u16(bigEndian_ ? at + 2 : at);
        return high << 16 | low;
    }
    std::uint64_t u64(std::size_t at) const
    {
        const std::uint64_t high = u32(bigEndian_ ? at : at + 4);
        const std::uint64_t low = u32(bigEndian_ ? at + 4 : at);
        return high << 32 | low;
    }

    bool beginIfd(std::uint32_t offset);
    void visitEntry(std::size_t entry);
    void deliver(int tag, int type, std::size_t value);
    void deliverText(int tag, int type, std::string_view text, std::int64_t number = 0) const
    {
        ExifValue value;
        value.tag = tag;
        value.type = type;
        value.integer = number;
        value.text = text;
        visitor_(value);
    }
    void deliverNumber(int tag, int type, std::int64_t integer, double real = 0.0) const
    {
        ExifValue value;
        value.tag = tag;
        value.type = type;
        value.integer = integer;
        value.real = real;
        visitor_(value);
    }

    const unsigned char* tiff_;
    std::size_t size_;
    bool bigEndian_;
    const ExifVisitor& visitor_;
    std::vector<Walk> stack_;
    // Byte ranges of the IFDs walked so far (begin -> end), disjoint. A pointer
    // into any of them is not followed: that rules out cycles, and a file that
    // names the same IFD many times cannot multiply the work.
    std::map<std::size_t, std::size_t> walked_;
};

void TiffWalker::walk()
{
    if (!inside(0, 8) || u16(2) != 42 || !beginIfd(u32(4)))
        return;
    // Iterative, so that a chain of nested pointers cannot exhaust the stack.
    while (!stack_.empty()) {
        Walk& current = stack_.back();
        if (current.next == current.count) {
            stack_.pop_back();
            continue;
        }
        const std::size_t entry = current.entries + 12 * current.next++;
        visitEntry(entry);  // may push a sub-IFD, invalidating current
    }
}

bool TiffWalker::beginIfd(std::uint32_t offset)
{
    if (!inside(offset, 2))
        return false;
    const std::size_t entries = offset + std::size_t{2};
    const std::size_t count = std::min<std::size_t>(u16(offset), (size_ - entries) / 12);
    const std::size_t end = entries + 12 * count;
    const auto after = walked_.lower_bound(offset);
    if (after != walked_.end() && after->first < end)
        return false;
    if (after != walked_.begin() && std::prev(after)->second > offset)
        return false;
    walked_.emplace(offset, end);
    stack_.push_back(Walk{entries, count});
    return true;
}

void TiffWalker::visitEntry(std::size_t entry)
{
    const int tag = u16(entry);
    const int type = u16(entry + 2);
    const std::uint32_t count = u32(entry + 4);
    const std::size_t field = entry + 8;

    if (tag == kExifPointer) {
        if (type == TypeLong && count > 0)
            beginIfd(u32(field));
        return;
    }
    if (tag == kMakerNote || tag == kInteropPointer)
        return;

    const std::uint64_t total = std::uint64_t{count} * typeSize(type);
    const std::size_t value = total <= 4 ? field : u32(field);
    if (type == TypeAscii) {
        if (!inside(value, count > 0 ? 1 : 0))
            return;
        // A text is cut at the payload's end rather than read past it.
        const std::size_t length = std::min<std::uint64_t>(count, size_ - value);
        const char* bytes = reinterpret_cast<const char*>(tiff_ + value);
        deliverText(tag, TypeAscii, std::string_view(bytes, strnlen(bytes, length)));
        return;
    }
    // An entry without values has no first value to report.
    if (count == 0)
        return;
    deliver(tag, type, value);
}

void TiffWalker::deliver(int tag, int type, std::size_t value)
{
    if (tag == kOrientation || tag == kFlash) {
        if (!inside(value, 2))
            return;
        const unsigned number = u16(value);
        deliverText(tag, TypeAscii, tag == kOrientation ? orientationText(number) : flashText(number),
                    number);
        return;
    }
    if (tag == kApertureValue) {
        if (!inside(value, 8))
            return;
        const std::uint32_t numerator = u32(value);
        const std::uint32_t denominator = u32(value + 4);
        // APEX aperture to F-number; a zero denominator has no F-number.
        const std::string text = denominator == 0
            ? std::string()
            : formatText("%.1f", std::pow(1.414199948310852,
                                      static_cast<double>(numerator) / denominator));
        deliverText(tag, TypeAscii, text);
        return;
    }
    const std::size_t size = typeSize(type);
    if (size == 0 || type == TypeUndefined || !inside(value, size))
        return;
    switch (type) {
    case TypeByte:
        deliverNumber(tag, type, tiff_[value]);
        break;
    case TypeShort:
        deliverNumber(tag, type, u16(value));
        break;
    case TypeLong:
        deliverNumber(tag, type, u32(value));
        break;
    case TypeSByte:
        deliverNumber(tag, type, static_cast<std::int8_t>(tiff_[value]));
        break;
    case TypeSShort:
        deliverNumber(tag, type, static_cast<std::int16_t>(u16(value)));
        break;
    case TypeSLong:
        deliverNumber(tag, type, static_cast<std::int32_t>(u32(value)));
        break;
    case TypeRational:
        deliverText(tag, type, formatText("%u/%u", u32(value), u32(value + 4)));
        break;
    case TypeSRational:
        deliverText(tag, type, formatText("%d/%d", static_cast<std::int32_t>(u32(value)),
                                      static_cast<std::int32_t>(u32(value + 4))));
        break;
    case TypeFloat: {
        float real;
        const std::uint32_t bits = u32(value);
        std::memcpy(&real, &bits, sizeof real);
        deliverNumber(tag, type, 0, real);
        break;
    }
    case TypeDouble: {
        double real;
        const std::uint64_t bits = u64(value);
        std::memcpy(&real, &bits, sizeof real);
        deliverNumber(tag, type, 0, real);
        break;
    }
    default:
        break;
    }
}

// Where the marker scan gets its bytes from: a file or a block in memory.
using BlockSource = std::function<std::size_t(char* into, std::size_t capacity)>;

constexpr int kBlockSize = 102400;

// The source's bytes, read block by block as the scan needs them. Bytes the
// scan has passed are dropped, so a long file without markers (a movie, say)
// never ends up in memory as a whole.
class HeadReader {
public:
    explicit HeadReader(BlockSource source) : source_(std::move(source)) {}
    // Bytes already in memory are read where they are.
    HeadReader(const unsigned char* data, std::size_t size) : direct_(data), directSize_(size) {}

    // Makes [position, position + count) available; false when the source ends first.
    bool ensure(std::uint64_t position, std::size_t count)
    {
        if (direct_)
            return position <= directSize_ && count <= directSize_ - position;
        while (base_ + static_cast<std::uint64_t>(buffer_.length()) < position + count) {
            dropBefore(position);
            if (!readBlock())
                return false;
        }
        return true;
    }
    // Only valid for bytes made available by the last successful ensure().
    const unsigned char* at(std::uint64_t position)
    {
        if (direct_)
            return direct_ + position;
        return reinterpret_cast<const unsigned char*>(buffer_.data()) + (position - base_);
    }

private:
    void dropBefore(std::uint64_t position)
    {
        if (position <= base_)
            return;
        const std::uint64_t length = static_cast<std::uint64_t>(buffer_.length());
        const std::uint64_t drop = std::min(position - base_, length);
        if (drop == length)
            buffer_.clear();
        else
            buffer_.consumeFront(static_cast<int>(drop));
        base_ += drop;
    }
    bool readBlock()
    {
        if (!block_)
            block_ = std::make_unique<char[]>(kBlockSize);
        const std::size_t got = source_(block_.get(), kBlockSize);
        if (got == 0)
            return false;
        buffer_.append(block_.get(), static_cast<int>(got));
        return true;
    }

    BlockSource source_;
    ChunkBuffer buffer_{kBlockSize};
    std::unique_ptr<char[]> block_;
    std::uint64_t base_ = 0;  // source position of the buffer's first byte
    const unsigned char* direct_ = nullptr;
    std::uint64_t directSize_ = 0;
};

void scanForExif(HeadReader& reader, const ExifVisitor& visitor)
{
    std::uint64_t position = 0;
    while (reader.ensure(position, 1)) {
        if (*reader.at(position) != 0xFF) {
            ++position;
            continue;
        }
        if (!reader.ensure(position + 1, 1))
            return;
        const unsigned marker = *reader.at(position + 1);
        if (marker == 0xD8 || marker == 0xD9) {
            position += 2;
            continue;
        }
        if (marker == 0xDA)
            return;
        const std::uint64_t lengthField = position + 2;
        if (!reader.ensure(lengthField, 2))
            return;
        const unsigned char* bytes = reader.at(lengthField);
        const unsigned length = static_cast<unsigned>(bytes[0]) << 8 | bytes[1];
        if (marker == 0xE1) {
            // Only the first APP1 segment is ever examined.
            if (length < 2)
                return;
            const std::size_t size = length - 2;
            if (!reader.ensure(lengthField + 2, size))
                return;
            const std::vector<unsigned char> payload(reader.at(lengthField + 2),
                                                     reader.at(lengthField + 2) + size);
            parseExifSegment(payload.data(), payload.size(), visitor);
            return;
        }
        // The length counts its own two bytes. Even a length of 0 or 1 moves
        // the scan past the marker, so it always advances.
        position = lengthField + length;
    }
}

}  // namespace

std::span<const std::uint16_t> exifTagList()
{
    return kTagList;
}

const char* exifTagName(int tag)
{
    for (const TagName& entry : kTagNames) {
        if (entry.tag == tag)
            return entry.name;
    }
    return nullptr;
}

void parseExifSegment(const unsigned char* payload, std::size_t size, const ExifVisitor& visitor)
{
    static constexpr unsigned char kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
    if (!payload || size < sizeof kExifHeader + 8 ||
        std::memcmp(payload, kExifHeader, sizeof kExifHeader) != 0)
        return;
    parseTiffBlock(payload + sizeof kExifHeader, size - sizeof kExifHeader, visitor);
}

void parseTiffBlock(const unsigned char* tiff, std::size_t tiffSize, const ExifVisitor& visitor)
{
    if (!tiff || tiffSize < 8)
        return;
    bool bigEndian;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        bigEndian = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        bigEndian = true;
    else
        return;
    TiffWalker(tiff, tiffSize, bigEndian, visitor).walk();
}

void readExif(const std::filesystem::path& path, const ExifVisitor& visitor)
{
    // Today's formats keep their Exif block in a chunk or item of their own.
    if (isTodaysFormat(pictureFormatOf(path.filename().string()))) {
        const std::vector<unsigned char> block = readTodaysExifBlock(path.string());
        parseTiffBlock(block.data(), block.size(), visitor);
        return;
    }
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return;
    HeadReader reader([&file](char* into, std::size_t capacity) {
        return std::fread(into, 1, capacity, file.get());
    });
    scanForExif(reader, visitor);
}

void readExifFromBytes(const unsigned char* data, std::size_t size, const ExifVisitor& visitor)
{
    HeadReader reader(data, data ? size : 0);
    scanForExif(reader, visitor);
}

}  // namespace quorvane
