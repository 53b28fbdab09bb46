// Feeds arbitrary bytes to the JPEG decoder and, when it accepts them,
// resamples the picture with every filter, pastes it into a small canvas and
// encodes the result again.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "imaging/image.h"
#include "imaging/jpeg_io.h"
#include "imaging/resample.h"

namespace {

// Large enough for real structure, small enough that a header announcing a
// huge picture does not turn every run into seconds of decoding.
constexpr std::uint64_t kMaxPixels = 512 * 512;

std::string scratchPath(const char* suffix)
{
    return (std::filesystem::temp_directory_path() /
            ("quorvane-jpeg-fuzz-" + std::to_string(::getpid()) + suffix))
        .string();
}

const std::string& inputPath()
{
    static const std::string path = scratchPath(".jpg");
    return path;
}

const std::string& outputPath()
{
    static const std::string path = scratchPath("-out.jpg");
    return path;
}

void removeScratchFiles()
{
    std::remove(inputPath().c_str());
    std::remove(outputPath().c_str());
}

void copyImage(const quorvane::Image& from, quorvane::Image& to)
{
    to.allocate(from.width, from.height, from.components);
    if (from.pixels)
        std::memcpy(to.pixels.get(), from.pixels.get(), from.byteSize());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::atexit(removeScratchFiles);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    {
        quorvane::FileHandle file = quorvane::openFile(inputPath(), "wb");
        if (!file || std::fwrite(data, 1, size, file.get()) != size)
            return 0;
    }
    quorvane::Image picture;
    if (!quorvane::loadJpeg(picture, inputPath(), kMaxPixels))
        return 0;
    if (picture.components != 1 && picture.components != 3)
        std::abort();  // the decoder promises grey or RGB only

    // Target sizes from the input's last bytes: shrinking and enlarging both.
    const std::uint32_t width = 1 + (size > 0 ? data[size - 1] % 96 : 0);
    const std::uint32_t height = 1 + (size > 1 ? data[size - 2] % 96 : 0);
    for (int filter = quorvane::FilterPoint; filter <= quorvane::FilterNone; ++filter) {
        quorvane::Image work;
        copyImage(picture, work);
        quorvane::resample(work, filter, width, height);

        quorvane::Image cell;
        copyImage(picture, cell);
        quorvane::fitAndResample(cell, 40, 30, filter, filter);

        // A canvas smaller than the picture: pasting must clip.
        quorvane::Image canvas;
        canvas.allocate(50, 37, 3);
        canvas.fill(0);
        cell.pasteInto(canvas, 10, 7, 40, 30);
        work.pasteInto(canvas, 49, 36);
        if (filter == quorvane::FilterLanczos3)
            quorvane::saveJpeg(canvas, outputPath());
    }
    return 0;
}
