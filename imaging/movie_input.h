#pragma once

// FFmpeg's owners and the guarded movie opening shared by the poster reader
// and the web copy writer; only for the imaging folder's own sources.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "imaging/movie_frame.h"

namespace quorvane::movie {

struct FormatCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecCloser {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameCloser {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketCloser {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerCloser {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCloser>;
using FramePtr = std::unique_ptr<AVFrame, FrameCloser>;
using PacketPtr = std::unique_ptr<AVPacket, PacketCloser>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerCloser>;

// Silences the libraries (they would print names and tags taken from
// untrusted files) and bounds their single allocations; once per process.
void prepareLibraries();

// An opened movie: our own file reading under the demuxer, so the file name
// is never taken for a protocol or a pattern, and no nested opens.
class MovieInput {
public:
    MovieInput() = default;
    MovieInput(const MovieInput&) = delete;
    MovieInput& operator=(const MovieInput&) = delete;
    ~MovieInput();

    MovieStatus open(const std::string& path);
    AVFormatContext* format() const { return format_.get(); }

private:
    std::FILE* file_ = nullptr;
    AVIOContext* io_ = nullptr;
    std::unique_ptr<AVFormatContext, FormatCloser> format_;
};

// AVIO's seek callback over a stdio file passed as its opaque pointer.
std::int64_t seekStdioFile(void* opaque, std::int64_t offset, int whence);

// A decoder for the stream; threads 0 lets the library choose.
MovieStatus openDecoder(const AVStream& stream, CodecPtr& codec, int threads);

// Display size of a stored picture: stretched by its pixel aspect ratio.
void displaySize(int width, int height, AVRational sampleAspect, std::uint32_t& shownWidth,
                 std::uint32_t& shownHeight);

// Clockwise quarter turns the stream's display matrix asks for: 0, 90, 180
// or 270.
int clockwiseRotation(const AVStream& stream);

// The planar YUV format with limited range that stands for a full-range
// ("J") one, fullRange set when it did.
AVPixelFormat fullRangeEquivalent(AVPixelFormat format, bool& fullRange);

// The colour matrix a decoded frame uses: the declared one, else BT.709 from
// 720 lines up and BT.601 below, as players assume.
int frameColourMatrix(const AVFrame& decoded);

}  // namespace quorvane::movie
