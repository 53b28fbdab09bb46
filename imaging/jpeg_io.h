#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "foundation/file_handle.h"
#include "imaging/image.h"
#include "imaging/row_source.h"
#include "imaging/todays_decoders.h"

namespace quorvane {

// A header is cheap to forge: a few kilobytes may claim 65000 x 65000 pixels
// and cost seconds of decoding. Pictures above this many pixels are refused:
// 300 megapixels unless the environment variable QUORVANE_MAX_PIXELS holds
// another whole number (at least 1).
inline constexpr std::uint64_t kDefaultDecodePixelLimit = 300'000'000;
inline constexpr char kDecodePixelLimitVariable[] = "QUORVANE_MAX_PIXELS";
std::uint64_t decodePixelLimit();

// The size a JPEG file's header announces, read without decoding; false
// when the file cannot be opened or has no readable header.
bool readJpegSize(const std::string& path, std::uint32_t& width, std::uint32_t& height);
// The same from the first bytes of a file: false as well when the header
// does not end within them (then the file must be asked).
bool readJpegSizeFromBytes(const unsigned char* data, std::size_t size, std::uint32_t& width,
                           std::uint32_t& height);

// The size a full-scale JpegRowReader::open gives, read from the header alone
// (no decoding set up); false where that open would refuse the file from its
// header: unreadable, more than decodePixelLimit() pixels, or a layout of
// components other than grey, colour or CMYK.
bool readDecodableJpegSize(const std::string& path, std::uint32_t& width, std::uint32_t& height);
// The same for a name inside the folder open as folderFd.
bool readDecodableJpegSizeAt(int folderFd, const char* name, std::uint32_t& width, std::uint32_t& height);

// Decodes a whole JPEG file at full resolution. Grey files give 1
// component, colour files 3 (R, G, B); CMYK and YCCK files are converted to
// RGB, Adobe's inverted CMYK included. Damaged but decodable data loads as far
// as libjpeg can take it (its warnings are counted, never fatal, and not
// printed). A file that cannot be opened or decoded gives false and leaves the
// image empty. Pictures whose header announces more pixels than maxPixels
// (0: decodePixelLimit()) are refused before any row is decoded.
bool loadJpeg(Image& image, const std::string& path, std::uint64_t maxPixels = 0);

// The decoder of loadJpeg, same library calls and settings, for callers
// that need only a few rows of the picture at a time: a filter fed from it
// keeps the rows of its current window instead of the whole decoded block.
// Rows are decoded a small batch at a time; the previous batch stays readable,
// which is what RowSource promises.
class JpegRowReader final : public RowSource {
public:
    JpegRowReader();
    ~JpegRowReader() override;
    JpegRowReader(const JpegRowReader&) = delete;
    JpegRowReader& operator=(const JpegRowReader&) = delete;

    // Opens the file and reads its header; afterwards width, height and
    // components (3 for a CMYK file, converted row by row) are known. False
    // when the file cannot be opened or is no picture this system handles;
    // tooLarge tells when it was refused for announcing more than maxPixels
    // (0: decodePixelLimit()).
    bool open(const std::string& path, std::uint64_t maxPixels = 0);
    // The same with settings' pixel limit, letting libjpeg scale the picture
    // down in its inverse DCT when settings name a box to fit (see
    // DecodeSettings). width and height are then the reduced size;
    // fullWidth and fullHeight are the picture's own.
    bool open(const std::string& path, const DecodeSettings& settings);
    bool tooLarge = false;
    std::uint32_t fullWidth = 0;
    std::uint32_t fullHeight = 0;
    const std::uint8_t* row(std::uint32_t y) override;
    // Decodes the rows nobody asked for and ends the decoding: true when the
    // whole picture decoded, so a picture that fails at its last row fails
    // here as it would in loadJpeg.
    bool finish();
    // Decodes every row straight into image, replacing its block, then
    // finishes; on failure the image is left empty.
    bool readInto(Image& image);

    // The codec state, defined beside the library calls.
    struct Decoder;

private:
    std::unique_ptr<Decoder> decoder_;
};

// Encodes a 1- or 3-component image at quality 80, baseline, with libjpeg's
// defaults for everything else. The file is created fresh (whatever stood at
// its name is replaced); after a failure it is left as far as it was written,
// and errno tells why (0 when the picture itself could not be encoded).
bool saveJpeg(const Image& image, const std::string& path);

}  // namespace quorvane
