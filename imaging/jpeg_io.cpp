#include "imaging/jpeg_io.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "foundation/safe_files.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace quorvane {

namespace {

// JpegErrorTrap: libjpeg's standard error manager extended
// with the place to resume when the library meets a fatal error.
struct JpegErrorTrap {
    jpeg_error_mgr manager;  // first, so the library's pointer is the trap's
    std::jmp_buf resume;
};

[[noreturn]] void resumeAtTrap(j_common_ptr codec)
{
    std::longjmp(reinterpret_cast<JpegErrorTrap*>(codec->err)->resume, 1);
}

// Warnings are still counted by the default emit_message; only the text is
// dropped, so a damaged picture does not write to the command line's stderr.
void discardMessage(j_common_ptr) {}

jpeg_error_mgr* installTrap(JpegErrorTrap& trap)
{
    jpeg_error_mgr* manager = jpeg_std_error(&trap.manager);
    manager->error_exit = resumeAtTrap;
    manager->output_message = discardMessage;
    return manager;
}

// One decoded row of C, M, Y, K samples to R, G, B. Photoshop, the usual
// writer of CMYK JPEG files, stores the inks inverted (255 = no ink) and marks
// such files with its APP14 marker; files without it store plain ink amounts.
void cmykRowToRgb(const JSAMPLE* in, std::uint8_t* out, JDIMENSION width, bool inverted)
{
    for (JDIMENSION i = 0; i < width; ++i, in += 4, out += 3) {
        const unsigned k = inverted ? in[3] : 255u - in[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned ink = inverted ? in[c] : 255u - in[c];
            out[c] = static_cast<std::uint8_t>((ink * k + 127) / 255);
        }
    }
}

}  // namespace

// One decoding in progress: the codec, its trap and the open file, kept
// together on the heap so the codec's pointer to its trap stays put.
struct JpegRowReader::Decoder {
    jpeg_decompress_struct codec;
    JpegErrorTrap trap;
    FileHandle file;
    // Created and not yet destroyed: a failure or the end of the decoding
    // destroys the codec, and no row is given after that.
    bool live = false;
    bool cmyk = false;
    std::uint32_t decodedRows = 0;
    // Two batches of rows, so the batch before the newest stays readable.
    std::vector<std::uint8_t> batches;
    std::size_t rowBytes = 0;
    // CMYK rows as the codec gives them, before their conversion to RGB.
    std::vector<std::uint8_t> cmykRows;

    ~Decoder() { destroy(); }

    void destroy()
    {
        if (live)
            jpeg_destroy_decompress(&codec);
        live = false;
    }
};

namespace {

constexpr std::uint32_t kBatchRows = 8;
constexpr std::size_t kReadBufferBytes = 65536;

// Steps 2 to 4 of loadJpeg on the decoder's open file. The trap's longjmp
// lands in this frame, so it holds nothing with a destructor.
// The largest reduction of 1/2, 1/4 and 1/8 whose output keeps the floor
// settings ask for; none when no reduction does. Called between the header
// and the start of decompression.
void chooseScale(jpeg_decompress_struct& codec, const DecodeSettings& settings)
{
    std::uint32_t leastWidth = 0, leastHeight = 0;
    reducedDecodeFloor(codec.image_width, codec.image_height, settings, leastWidth, leastHeight);
    if (leastWidth == 0 || leastHeight == 0)
        return;
    for (unsigned denominator = 8; denominator >= 2; denominator /= 2) {
        codec.scale_num = 1;
        codec.scale_denom = denominator;
        jpeg_calc_output_dimensions(&codec);
        if (codec.output_width >= leastWidth && codec.output_height >= leastHeight)
            return;
    }
    codec.scale_num = 1;
    codec.scale_denom = 1;
}

bool startDecoding(JpegRowReader::Decoder& d, std::uint64_t maxPixels, bool& tooLarge,
                   const DecodeSettings& scaling)
{
    std::memset(&d.codec, 0, sizeof d.codec);

    // Step 2: install the trap; a fatal error resumes here.
    d.codec.err = installTrap(d.trap);
    if (setjmp(d.trap.resume)) {
        d.destroy();
        return false;
    }

    // Step 3: create the codec, read from the file, read the header.
    jpeg_create_decompress(&d.codec);
    d.live = true;
    jpeg_stdio_src(&d.codec, d.file.get());
    jpeg_read_header(&d.codec, TRUE);
    if (std::uint64_t(d.codec.image_width) * d.codec.image_height > maxPixels) {
        tooLarge = true;
        d.destroy();
        return false;
    }

    // Step 4: every decompression parameter at the library default, but for
    // the scale when the caller allows one.
    chooseScale(d.codec, scaling);
    jpeg_start_decompress(&d.codec);
    d.cmyk = d.codec.out_color_space == JCS_CMYK && d.codec.output_components == 4;
    if (!d.cmyk && d.codec.output_components != 1 && d.codec.output_components != 3) {
        // Two-component and other unusual layouts: nothing else handles them.
        d.destroy();
        return false;
    }
    return true;
}

// Step 6 for count rows, several per library call; CMYK rows are decoded
// into the decoder's own rows and converted into the targets. Holds nothing
// with a destructor, like startDecoding.
bool decodeRows(JpegRowReader::Decoder& d, std::uint8_t* const* targets, std::uint32_t count)
{
    if (setjmp(d.trap.resume)) {
        d.destroy();
        return false;
    }
    JSAMPROW rows[kBatchRows];
    std::uint32_t done = 0;
    while (done < count) {
        const std::uint32_t ask = std::min(count - done, kBatchRows);
        for (std::uint32_t r = 0; r < ask; ++r)
            rows[r] = d.cmyk ? d.cmykRows.data() + std::size_t(r) * d.codec.output_width * 4
                             : targets[done + r];
        const JDIMENSION got = jpeg_read_scanlines(&d.codec, rows, ask);
        if (got == 0) {
            // Only a suspending source returns no row; stdio never does.
            d.destroy();
            return false;
        }
        if (d.cmyk)
            for (JDIMENSION r = 0; r < got; ++r)
                cmykRowToRgb(rows[r], targets[done + r], d.codec.output_width, d.codec.saw_Adobe_marker);
        done += got;
    }
    d.decodedRows += count;
    return true;
}

// Step 8 (the file closes with the decoder).
bool finishDecoding(JpegRowReader::Decoder& d)
{
    if (setjmp(d.trap.resume)) {
        d.destroy();
        return false;
    }
    jpeg_finish_decompress(&d.codec);
    d.destroy();
    return true;
}

// Steps 2 to 8 of saveJpeg, on a file the caller opened and will close. Holds
// nothing with a destructor, like decodeJpeg.
bool encodeJpeg(std::FILE* file, const Image& image)
{
    jpeg_compress_struct codec;
    std::memset(&codec, 0, sizeof codec);
    JpegErrorTrap trap;

    // Step 2: install the trap; a fatal error resumes here.
    codec.err = installTrap(trap);
    if (setjmp(trap.resume)) {
        // A write that failed (a full disk) left its reason in errno.
        const int saved = errno;
        jpeg_destroy_compress(&codec);
        errno = saved;
        return false;
    }

    // Step 3: create the codec, write to the file.
    jpeg_create_compress(&codec);
    jpeg_stdio_dest(&codec, file);

    // Step 4: the picture's size and layout.
    codec.image_width = image.width;
    codec.image_height = image.height;
    codec.input_components = static_cast<int>(image.components);
    codec.in_color_space = image.components == 1 ? JCS_GRAYSCALE : JCS_RGB;

    // Step 5: library defaults, then quality 80 with baseline forced.
    jpeg_set_defaults(&codec);
    jpeg_set_quality(&codec, 80, TRUE);

    // Steps 6 and 7: all tables, then the rows in order.
    jpeg_start_compress(&codec, TRUE);
    while (codec.next_scanline < codec.image_height) {
        JSAMPROW rowPointer = const_cast<JSAMPROW>(image.row(codec.next_scanline));
        jpeg_write_scanlines(&codec, &rowPointer, 1);
    }

    // Step 8 (the caller closes the file).
    jpeg_finish_compress(&codec);
    jpeg_destroy_compress(&codec);
    return true;
}

// The header only, from an open file or from bytes in memory (a source
// that runs out ends in an inserted end marker, so the header fails), and
// whether startDecoding would take the file: its pixel count within
// maxPixels and its output layout one handled. Holds nothing with a
// destructor.
bool readHeaderSize(std::FILE* file, const unsigned char* data, std::size_t size, std::uint64_t maxPixels,
                    std::uint32_t& width, std::uint32_t& height, bool& decodable)
{
    jpeg_decompress_struct codec;
    std::memset(&codec, 0, sizeof codec);
    JpegErrorTrap trap;
    codec.err = installTrap(trap);
    if (setjmp(trap.resume)) {
        jpeg_destroy_decompress(&codec);
        return false;
    }
    jpeg_create_decompress(&codec);
    if (file)
        jpeg_stdio_src(&codec, file);
    else
        jpeg_mem_src(&codec, data, static_cast<unsigned long>(size));
    jpeg_read_header(&codec, TRUE);
    jpeg_calc_output_dimensions(&codec);
    const bool cmyk = codec.out_color_space == JCS_CMYK && codec.output_components == 4;
    decodable = std::uint64_t(codec.image_width) * codec.image_height <= maxPixels &&
                (cmyk || codec.output_components == 1 || codec.output_components == 3);
    width = codec.image_width;
    height = codec.image_height;
    jpeg_destroy_decompress(&codec);
    return true;
}

}  // namespace

bool readDecodableJpegSize(const std::string& path, std::uint32_t& width, std::uint32_t& height)
{
    return readDecodableJpegSizeAt(AT_FDCWD, path.c_str(), width, height);
}

bool readDecodableJpegSizeAt(int folderFd, const char* name, std::uint32_t& width, std::uint32_t& height)
{
    const int fd = ::openat(folderFd, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Generated files carry their header in the first few hundred bytes: one
    // read of the start answers for them, and pages ask for thousands.
    unsigned char start[4096];
    ssize_t got = 0;
    do
        got = ::read(fd, start, sizeof start);
    while (got < 0 && errno == EINTR);
    bool decodable = false;
    const std::uint64_t maxPixels = decodePixelLimit();
    const bool answered = got < 0 || static_cast<std::size_t>(got) < sizeof start;
    if (got >= 0 &&
        readHeaderSize(nullptr, start, static_cast<std::size_t>(got), maxPixels, width, height, decodable)) {
        ::close(fd);
        return decodable;
    }
    // Past the start only when there is more: the header lies further in
    // (large metadata segments first).
    FileHandle file(!answered && ::lseek(fd, 0, SEEK_SET) == 0 ? ::fdopen(fd, "rb") : nullptr);
    if (!file) {
        ::close(fd);
        return false;
    }
    return readHeaderSize(file.get(), nullptr, 0, maxPixels, width, height, decodable) && decodable;
}

bool readJpegSize(const std::string& path, std::uint32_t& width, std::uint32_t& height)
{
    FileHandle file = openFile(path, "rb");
    bool decodable = false;
    return file && readHeaderSize(file.get(), nullptr, 0, UINT64_MAX, width, height, decodable);
}

bool readJpegSizeFromBytes(const unsigned char* data, std::size_t size, std::uint32_t& width,
                           std::uint32_t& height)
{
    bool decodable = false;
    return data && size > 0 && readHeaderSize(nullptr, data, size, UINT64_MAX, width, height, decodable);
}

std::uint64_t decodePixelLimit()
{
    if (const char* text = std::getenv(kDecodePixelLimitVariable)) {
        char* end = nullptr;
        const unsigned long long limit = std::strtoull(text, &end, 10);
        if (end != text && *end == '\0' && limit >= 1 && text[0] != '-')
            return limit;
    }
    return kDefaultDecodePixelLimit;
}

JpegRowReader::JpegRowReader() = default;
JpegRowReader::~JpegRowReader() = default;

bool JpegRowReader::open(const std::string& path, std::uint64_t maxPixels)
{
    DecodeSettings settings;
    settings.maxPixels = maxPixels;
    return open(path, settings);
}

bool JpegRowReader::open(const std::string& path, const DecodeSettings& settings)
{
    const std::uint64_t maxPixels = settings.maxPixels;
    // Step 1: open for binary reading; the handle closes it on every path.
    decoder_ = std::make_unique<Decoder>();
    Decoder& d = *decoder_;
    d.file = openFile(path, "rb");
    // The library reads 4 KiB at a time; a larger buffer saves most of the
    // system calls on multi-megabyte files.
    if (d.file)
        std::setvbuf(d.file.get(), nullptr, _IOFBF, kReadBufferBytes);
    tooLarge = false;
    if (!d.file ||
        !startDecoding(d, maxPixels == 0 ? decodePixelLimit() : maxPixels, tooLarge, settings)) {
        decoder_.reset();
        return false;
    }
    width = d.codec.output_width;
    height = d.codec.output_height;
    fullWidth = d.codec.image_width;
    fullHeight = d.codec.image_height;
    components = d.cmyk ? 3 : static_cast<std::uint32_t>(d.codec.output_components);
    d.rowBytes = std::size_t(width) * components;
    if (d.cmyk)
        d.cmykRows.resize(std::size_t(width) * 4 * kBatchRows);
    return true;
}

const std::uint8_t* JpegRowReader::row(std::uint32_t y)
{
    if (!decoder_ || !decoder_->live || y >= height)
        return nullptr;
    Decoder& d = *decoder_;
    if (d.batches.empty())
        d.batches.resize(d.rowBytes * kBatchRows * 2);
    const auto at = [&d](std::uint32_t r) {
        return d.batches.data() + (std::size_t(r / kBatchRows % 2) * kBatchRows + r % kBatchRows) * d.rowBytes;
    };
    // Only the newest batch and the one before it are kept.
    if (y < d.decodedRows && y / kBatchRows + 1 < (d.decodedRows - 1) / kBatchRows)
        return nullptr;
    while (y >= d.decodedRows) {
        const std::uint32_t first = d.decodedRows;
        const std::uint32_t count = std::min(kBatchRows, height - first);
        std::uint8_t* targets[kBatchRows];
        for (std::uint32_t r = 0; r < count; ++r)
            targets[r] = at(first + r);
        if (!decodeRows(d, targets, count))
            return nullptr;
    }
    return at(y);
}

bool JpegRowReader::finish()
{
    if (!decoder_ || !decoder_->live)
        return false;
    if (height > 0 && !row(height - 1))
        return false;
    return finishDecoding(*decoder_);
}

bool JpegRowReader::readInto(Image& image)
{
    // Step 5: one block, and the rows decoded straight into it.
    image.allocate(width, height, components);
    bool decoded = decoder_ && decoder_->live;
    for (std::uint32_t first = 0; decoded && first < height; first += kBatchRows) {
        const std::uint32_t count = std::min(kBatchRows, height - first);
        std::uint8_t* targets[kBatchRows];
        for (std::uint32_t r = 0; r < count; ++r)
            targets[r] = image.row(first + r);
        decoded = decodeRows(*decoder_, targets, count);
    }
    // Step 7 happened above: the image took the codec's output size.
    if (decoded && finishDecoding(*decoder_))
        return true;
    image.release();
    return false;
}

bool loadJpeg(Image& image, const std::string& path, std::uint64_t maxPixels)
{
    JpegRowReader reader;
    if (!reader.open(path, maxPixels)) {
        image.release();
        return false;
    }
    return reader.readInto(image);
}

bool saveJpeg(const Image& image, const std::string& path)
{
    // Step 1: create the file fresh, so a link planted at its name is
    // replaced rather than written through.
    StdioFile file = createFreshFile(path);
    if (!file)
        return false;
    errno = 0;
    const bool encoded = encodeJpeg(file.get(), image);
    const int encodeError = errno;
    const bool closed = closeChecked(file);
    if (!encoded)
        errno = encodeError;
    return encoded && closed;
}

}  // namespace quorvane
