// Feeds arbitrary bytes to the movie poster reader: container probing,
// demuxing, decoding, scaling and turning, with small limits so a header
// announcing a huge or endless movie does not make every run slow.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "imaging/jpeg_io.h"
#include "imaging/movie_frame.h"

namespace {

const std::string& inputPath()
{
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("quorvane-movie-fuzz-" + std::to_string(::getpid()) + ".mp4"))
                                        .string();
    return path;
}

void removeScratchFile()
{
    std::remove(inputPath().c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::atexit(removeScratchFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    {
        quorvane::FileHandle file = quorvane::openFile(inputPath(), "wb");
        if (!file || std::fwrite(data, 1, size, file.get()) != size)
            return 0;
    }
    quorvane::MovieFrameLimits limits;
    limits.maxPixels = 512 * 512;
    limits.maxPackets = 200;
    quorvane::Image frame;
    quorvane::MovieFacts facts;
    const quorvane::MovieStatus status = quorvane::readMovieFrame(inputPath(), frame, facts, limits);
    if (status == quorvane::MovieStatus::Ok &&
        (frame.components != 3 || frame.width != facts.width || frame.height != facts.height))
        std::abort();  // the reader promises an RGB frame of the reported size
    if (status != quorvane::MovieStatus::Ok && !frame.empty())
        std::abort();
    return 0;
}
