// Feeds arbitrary bytes to the PNG decoder and to the walk over its chunks
// that finds the Exif block.
#include "tests/fuzz/decoder_checks.h"
#include "tests/fuzz/scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const quorvane::fuzz::ScratchFile input(".png");
    if (!input.write(data, size))
        return 0;
    const quorvane::DecodeSettings settings = quorvane::fuzz::smallPictures(data, size);
    quorvane::Image picture;
    const bool decoded = quorvane::loadPng(picture, input.path(), settings);
    quorvane::fuzz::checkDecoded(decoded, picture, settings, true);
    quorvane::fuzz::checkExif(input.path());
    return 0;
}
