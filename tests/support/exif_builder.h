#pragma once

// Exif data and JPEG heads built byte by byte, for every test that needs a
// picture with particular Exif fields.

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::test {

using Bytes = std::string;

// Builds an Exif APP1 payload byte by byte: "Exif\0\0", the TIFF header,
// IFD0, an optional Exif sub-IFD (linked from IFD0 by tag 0x8769 placed
// where subIfdPointer() is called) and a data area for values longer than
// four bytes.
class ExifBuilder {
public:
    explicit ExifBuilder(bool bigEndian) : bigEndian_(bigEndian) {}

    ExifBuilder& subIfd()
    {
        current_ = &sub_;
        return *this;
    }
    ExifBuilder& ifd0()
    {
        current_ = &ifd0_;
        return *this;
    }
    ExifBuilder& subIfdPointer(int type = 4)
    {
        current_->push_back(Entry{0x8769, type, 1, {}, true});
        return *this;
    }

    // Values in the file's byte order; `count` is what the entry claims.
    ExifBuilder& raw(int tag, int type, std::uint32_t count, const Bytes& values)
    {
        current_->push_back(Entry{tag, type, count, values, false});
        return *this;
    }
    ExifBuilder& byteValue(int tag, std::uint8_t value) { return raw(tag, 1, 1, Bytes(1, static_cast<char>(value))); }
    ExifBuilder& sbyteValue(int tag, std::int8_t value) { return raw(tag, 6, 1, Bytes(1, static_cast<char>(value))); }
    ExifBuilder& shortValue(int tag, std::uint16_t value) { return raw(tag, 3, 1, u16(value)); }
    ExifBuilder& sshortValue(int tag, std::int16_t value) { return raw(tag, 8, 1, u16(static_cast<std::uint16_t>(value))); }
    ExifBuilder& longValue(int tag, std::uint32_t value) { return raw(tag, 4, 1, u32(value)); }
    ExifBuilder& slongValue(int tag, std::int32_t value) { return raw(tag, 9, 1, u32(static_cast<std::uint32_t>(value))); }
    ExifBuilder& rational(int tag, std::uint32_t numerator, std::uint32_t denominator)
    {
        return raw(tag, 5, 1, u32(numerator) + u32(denominator));
    }
    ExifBuilder& srational(int tag, std::int32_t numerator, std::int32_t denominator)
    {
        return raw(tag, 10, 1, u32(static_cast<std::uint32_t>(numerator)) + u32(static_cast<std::uint32_t>(denominator)));
    }
    ExifBuilder& floatValue(int tag, float value)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return raw(tag, 11, 1, u32(bits));
    }
    ExifBuilder& doubleValue(int tag, double value)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        const Bytes high = u32(static_cast<std::uint32_t>(bits >> 32));
        const Bytes low = u32(static_cast<std::uint32_t>(bits));
        return raw(tag, 12, 1, bigEndian_ ? high + low : low + high);
    }
    // The text with its terminating NUL, counted.
    ExifBuilder& ascii(int tag, std::string_view text)
    {
        Bytes bytes(text);
        bytes.push_back('\0');
        return raw(tag, 2, static_cast<std::uint32_t>(bytes.size()), bytes);
    }

    Bytes u16(std::uint16_t value) const
    {
        const char high = static_cast<char>(value >> 8);
        const char low = static_cast<char>(value & 0xFF);
        return bigEndian_ ? Bytes{high, low} : Bytes{low, high};
    }
    Bytes u32(std::uint32_t value) const
    {
        const Bytes high = u16(static_cast<std::uint16_t>(value >> 16));
        const Bytes low = u16(static_cast<std::uint16_t>(value & 0xFFFF));
        return bigEndian_ ? high + low : low + high;
    }

    // Offsets inside the TIFF structure, for tests that aim pointers by hand.
    std::uint32_t ifd0Offset() const { return 8; }
    std::uint32_t subIfdOffset() const { return ifd0Offset() + ifdSize(ifd0_); }

    Bytes tiff() const
    {
        Bytes out = bigEndian_ ? Bytes("MM") : Bytes("II");
        out += u16(42) + u32(ifd0Offset());
        std::uint32_t dataOffset = subIfdOffset() + ifdSize(sub_);
        Bytes data;
        for (const std::vector<Entry>* ifd : {&ifd0_, &sub_}) {
            out += u16(static_cast<std::uint16_t>(ifd->size()));
            for (const Entry& entry : *ifd) {
                out += u16(static_cast<std::uint16_t>(entry.tag)) +
                       u16(static_cast<std::uint16_t>(entry.type)) + u32(entry.count);
                if (entry.isPointer) {
                    out += u32(pointerTarget_ ? *pointerTarget_ : subIfdOffset());
                } else if (entry.values.size() <= 4) {
                    out += entry.values + Bytes(4 - entry.values.size(), '\0');
                } else {
                    out += u32(dataOffset + static_cast<std::uint32_t>(data.size()));
                    data += entry.values;
                }
            }
            out += u32(0);  // no next IFD
        }
        return out + data;
    }
    Bytes payload() const { return Bytes("Exif\0\0", 6) + tiff(); }

    // Aims every sub-IFD pointer elsewhere.
    ExifBuilder& pointSubIfdAt(std::uint32_t offset)
    {
        pointerTarget_ = offset;
        return *this;
    }

private:
    struct Entry {
        int tag;
        int type;
        std::uint32_t count;
        Bytes values;
        bool isPointer;
    };
    static std::uint32_t ifdSize(const std::vector<Entry>& ifd)
    {
        return static_cast<std::uint32_t>(2 + 12 * ifd.size() + 4);
    }

    bool bigEndian_;
    std::vector<Entry> ifd0_;
    std::vector<Entry> sub_;
    std::vector<Entry>* current_ = &ifd0_;
    std::optional<std::uint32_t> pointerTarget_;
};

// One segment of a JPEG file: marker and payload, the length written in front.
inline Bytes segment(unsigned char marker, const Bytes& payload)
{
    const std::size_t length = payload.size() + 2;
    return Bytes{'\xFF', static_cast<char>(marker), static_cast<char>(length >> 8),
                 static_cast<char>(length & 0xFF)} +
           payload;
}

// A JPEG file of the given segments between the start of image and a short
// scan: enough for every reader of the head.
inline Bytes jpegWith(const Bytes& segments)
{
    const Bytes startOfScan = segment(0xDA, Bytes("\x01\x01\x00\x00\x3F\x00", 6)) + Bytes("\x12\x34\xFF\xD9", 4);
    return Bytes("\xFF\xD8", 2) + segments + startOfScan;
}

// The picture's bytes with an APP1 segment of this Exif payload put right
// after its start of image, in front of its own segments.
inline Bytes withExifSegment(const Bytes& jpeg, const Bytes& payload)
{
    return jpeg.substr(0, 2) + segment(0xE1, payload) + jpeg.substr(2);
}

}  // namespace quorvane::test
