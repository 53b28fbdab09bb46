// Feeds arbitrary bytes to the WebP decoder (still pictures and the first
// frame of animations) and to the demuxer that finds the Exif chunk.
#include "tests/fuzz/decoder_checks.h"
#include "tests/fuzz/scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const quorvane::fuzz::ScratchFile input(".webp");
    if (!input.write(data, size))
        return 0;
    const quorvane::DecodeSettings settings = quorvane::fuzz::smallPictures(data, size);
    quorvane::Image picture;
    const bool decoded = quorvane::loadWebp(picture, input.path(), settings);
    quorvane::fuzz::checkDecoded(decoded, picture, settings, false);
    quorvane::fuzz::checkExif(input.path());
    return 0;
}
