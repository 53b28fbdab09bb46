#include <csetjmp>
#include <cstring>
#include <memory>

#include <png.h>

#include "imaging/jpeg_io.h"
#include "imaging/todays_decoders.h"

namespace quorvane {

namespace {

[[noreturn]] void pngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

// Damaged but decodable files load as far as libpng takes them; its warnings
// would only reach the command line's stderr.
void pngWarning(png_structp, png_const_charp) {}

// The decoding state, released on every path out of loadPng.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

std::uint32_t bigEndian32(const unsigned char* bytes)
{
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8 |
           bytes[3];
}

// The two steps that may end in a longjmp from libpng. No object with a
// destructor lives in them, so jumping back is well defined.
bool readHeader(PngReader& reader, std::FILE* file, const DecodeSettings& settings, png_uint_32& width,
                png_uint_32& height, int& channels)
{
    if (setjmp(png_jmpbuf(reader.png)))
        return false;
    png_init_io(reader.png, file);
    png_read_info(reader.png, reader.info);
    width = png_get_image_width(reader.png, reader.info);
    height = png_get_image_height(reader.png, reader.info);
    if (std::uint64_t(width) * height > settings.maxPixels || width == 0 || height == 0)
        return false;
    png_set_strip_16(reader.png);
    png_set_packing(reader.png);
    png_set_palette_to_rgb(reader.png);
    png_set_expand_gray_1_2_4_to_8(reader.png);
    png_set_tRNS_to_alpha(reader.png);
    png_set_interlace_handling(reader.png);
    png_read_update_info(reader.png, reader.info);
    channels = png_get_channels(reader.png, reader.info);
    return channels >= 1 && channels <= 4 &&
           png_get_rowbytes(reader.png, reader.info) == std::size_t(width) * channels;
}

bool readImage(PngReader& reader, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(reader.png)))
        return false;
    png_read_image(reader.png, rows);
    png_read_end(reader.png, nullptr);
    return true;
}

}  // namespace

void composeOverBackground(const std::uint8_t* pixels, std::uint32_t components, std::size_t count,
                           std::uint32_t background, std::uint8_t* rgb)
{
    const unsigned back[3] = {(background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF};
    for (std::size_t i = 0; i < count; ++i, pixels += components, rgb += 3) {
        const unsigned alpha = pixels[components - 1];
        for (int c = 0; c < 3; ++c) {
            const unsigned value = components == 2 ? pixels[0] : pixels[c];
            rgb[c] = static_cast<std::uint8_t>((value * alpha + back[c] * (255 - alpha) + 127) / 255);
        }
    }
}

bool loadPng(Image& image, const std::string& path, const DecodeSettings& settings)
{
    image.release();
    FileHandle file = openFile(path, "rb");
    if (!file)
        return false;
    PngReader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (!reader.png)
        return false;
    reader.info = png_create_info_struct(reader.png);
    png_uint_32 width = 0, height = 0;
    int channels = 0;
    if (!reader.info || !readHeader(reader, file.get(), settings, width, height, channels))
        return false;
    Image decoded;
    decoded.allocate(width, height, static_cast<std::uint32_t>(channels));
    std::unique_ptr<png_bytep[]> rows(new png_bytep[height]);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = decoded.row(y);
    if (!readImage(reader, rows.get()))
        return false;
    if (decoded.components == 1 || decoded.components == 3) {
        image = std::move(decoded);
        return true;
    }
    // Grey or colour with alpha: composed over the background.
    image.allocate(decoded.width, decoded.height, 3);
    for (std::uint32_t y = 0; y < decoded.height; ++y)
        composeOverBackground(decoded.row(y), decoded.components, decoded.width, settings.background,
                              image.row(y));
    return true;
}

bool readPngSize(const std::string& path, std::uint32_t& width, std::uint32_t& height)
{
    // The signature, then the IHDR chunk, which must come first.
    static constexpr unsigned char kStart[16] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                                 0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    FileHandle file = openFile(path, "rb");
    unsigned char head[24];
    if (!file || std::fread(head, 1, sizeof head, file.get()) != sizeof head ||
        std::memcmp(head, kStart, sizeof kStart) != 0)
        return false;
    width = bigEndian32(head + 16);
    height = bigEndian32(head + 20);
    return true;
}

std::vector<unsigned char> readPngExif(const std::string& path, std::size_t maxBytes)
{
    // A walk over the chunks: the eXIf chunk may follow the image data, and
    // nothing needs decoding to find it.
    static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    FileHandle file = openFile(path, "rb");
    unsigned char head[8];
    if (!file || std::fread(head, 1, 8, file.get()) != 8 || std::memcmp(head, kSignature, 8) != 0)
        return {};
    for (;;) {
        if (std::fread(head, 1, 8, file.get()) != 8)
            return {};
        const std::uint32_t length = bigEndian32(head);
        if (std::memcmp(head + 4, "eXIf", 4) == 0) {
            if (length > maxBytes || length > 0x7fffffff)
                return {};
            std::vector<unsigned char> block(length);
            if (std::fread(block.data(), 1, length, file.get()) != length)
                return {};
            return block;
        }
        if (std::memcmp(head + 4, "IEND", 4) == 0 || length > 0x7fffffff ||
            std::fseek(file.get(), long(length) + 4, SEEK_CUR) != 0)
            return {};
    }
}

}  // namespace quorvane
