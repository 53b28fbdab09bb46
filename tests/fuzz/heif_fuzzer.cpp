// Feeds arbitrary bytes to the HEIF decoder (HEIC and AVIF go the same way,
// through libheif) and to the reader of the Exif item, whose offset field
// comes from the file.
#include "tests/fuzz/decoder_checks.h"
#include "tests/fuzz/scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const quorvane::fuzz::ScratchFile input(".heic");
    if (!input.write(data, size))
        return 0;
    const quorvane::DecodeSettings settings = quorvane::fuzz::smallPictures(data, size);
    quorvane::Image picture;
    const bool decoded = quorvane::loadHeif(picture, input.path(), settings);
    quorvane::fuzz::checkDecoded(decoded, picture, settings, false);
    quorvane::fuzz::checkExif(input.path());
    return 0;
}
