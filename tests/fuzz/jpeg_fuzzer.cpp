// Feeds arbitrary bytes to the JPEG decoder and, when it accepts them,
// resamples the picture with every filter, pastes it into a small canvas and
// encodes the result again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "imaging/image.h"
#include "imaging/jpeg_io.h"
#include "imaging/resample.h"
#include "tests/fuzz/scratch_file.h"

namespace {

// Large enough for real structure, small enough that a header announcing a
// huge picture does not turn every run into seconds of decoding.
constexpr std::uint64_t kMaxPixels = 512 * 512;

void copyImage(const quorvane::Image& from, quorvane::Image& to)
{
    to.allocate(from.width, from.height, from.components);
    if (from.pixels)
        std::memcpy(to.pixels.get(), from.pixels.get(), from.byteSize());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const quorvane::fuzz::ScratchFile input(".jpg");
    static const quorvane::fuzz::ScratchFile output("-out.jpg");
    if (!input.write(data, size))
        return 0;
    quorvane::Image picture;
    if (!quorvane::loadJpeg(picture, input.path(), kMaxPixels))
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
            quorvane::saveJpeg(canvas, output.path());
    }
    return 0;
}
