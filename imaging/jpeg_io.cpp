#include "imaging/jpeg_io.h"

#include <csetjmp>
#include <cstring>

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

// Steps 2 to 8 of loadJpeg, on a file the caller opened and will close. The
// trap's longjmp lands in this frame, so it holds nothing with a destructor.
bool decodeJpeg(std::FILE* file, Image& image, std::uint64_t maxPixels)
{
    jpeg_decompress_struct codec;
    std::memset(&codec, 0, sizeof codec);
    JpegErrorTrap trap;

    // Step 2: install the trap; a fatal error resumes here.
    codec.err = installTrap(trap);
    if (setjmp(trap.resume)) {
        jpeg_destroy_decompress(&codec);
        image.release();
        return false;
    }

    // Step 3: create the codec, read from the file, read the header.
    jpeg_create_decompress(&codec);
    jpeg_stdio_src(&codec, file);
    jpeg_read_header(&codec, TRUE);
    if (maxPixels != 0 && std::uint64_t(codec.image_width) * codec.image_height > maxPixels) {
        jpeg_destroy_decompress(&codec);
        image.release();
        return false;
    }

    // Step 4: every decompression parameter at the library default.
    jpeg_start_decompress(&codec);
    const bool cmyk = codec.out_color_space == JCS_CMYK && codec.output_components == 4;
    if (!cmyk && codec.output_components != 1 && codec.output_components != 3) {
        // Two-component and other unusual layouts: nothing else handles them.
        jpeg_destroy_decompress(&codec);
        image.release();
        return false;
    }

    // Steps 5 to 7: one block; rows decoded straight into it, one at a time.
    // CMYK rows go through one row buffer of the codec's own pool.
    const JDIMENSION width = codec.output_width;
    image.allocate(width, codec.output_height, cmyk ? 3 : codec.output_components);
    JSAMPARRAY cmykRow = cmyk ? (*codec.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&codec),
                                                           JPOOL_IMAGE, width * 4, 1)
                              : nullptr;
    while (codec.output_scanline < codec.output_height) {
        const JDIMENSION line = codec.output_scanline;
        JSAMPROW rowPointer = cmyk ? cmykRow[0] : image.row(line);
        if (jpeg_read_scanlines(&codec, &rowPointer, 1) != 1) {
            // Only a suspending source returns no row; stdio never does.
            jpeg_destroy_decompress(&codec);
            image.release();
            return false;
        }
        if (cmyk)
            cmykRowToRgb(cmykRow[0], image.row(line), width, codec.saw_Adobe_marker);
    }

    // Step 8 (the caller closes the file).
    jpeg_finish_decompress(&codec);
    jpeg_destroy_decompress(&codec);
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
        jpeg_destroy_compress(&codec);
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

}  // namespace

bool closeFile(FileHandle& file)
{
    if (!file)
        return false;
    const bool clean = std::ferror(file.get()) == 0;
    return std::fclose(file.release()) == 0 && clean;
}

bool loadJpeg(Image& image, const std::string& path, std::uint64_t maxPixels)
{
    // Step 1: open for binary reading; the handle closes it on every path.
    FileHandle file = openFile(path, "rb");
    if (!file) {
        image.release();
        return false;
    }
    return decodeJpeg(file.get(), image, maxPixels);
}

bool saveJpeg(const Image& image, const std::string& path)
{
    // Step 1: create or truncate for binary writing.
    FileHandle file = openFile(path, "wb");
    if (!file)
        return false;
    const bool encoded = encodeJpeg(file.get(), image);
    const bool closed = closeFile(file);
    return encoded && closed;
}

}  // namespace quorvane
