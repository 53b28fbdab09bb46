#include "imaging/movie_input.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>

extern "C" {
#include <libavutil/display.h>
#include <libavutil/mem.h>
}

namespace quorvane::movie {

namespace {

// Containers this system reads. Anything else the probe might pick (playlists,
// image sequences, concatenation lists) could pull in other files or
// addresses named inside an untrusted file, so it is refused.
constexpr const char* kDemuxers = "mov,matroska,avi,mpeg,mpegts,mpegvideo,asf";
constexpr int kIoBufferSize = 64 * 1024;
constexpr std::size_t kMostBytesAtOnce = std::size_t(256) << 20;

int readFile(void* opaque, std::uint8_t* buffer, int size)
{
    const std::size_t got = std::fread(buffer, 1, std::size_t(size), static_cast<std::FILE*>(opaque));
    return got == 0 ? AVERROR_EOF : int(got);
}

int refuseOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**)
{
    return AVERROR(EPERM);
}

}  // namespace

std::int64_t seekStdioFile(void* opaque, std::int64_t offset, int whence)
{
    auto* file = static_cast<std::FILE*>(opaque);
    if (whence & AVSEEK_SIZE) {
        const off_t here = ftello(file);
        if (fseeko(file, 0, SEEK_END) != 0)
            return -1;
        const off_t size = ftello(file);
        fseeko(file, here, SEEK_SET);
        return size;
    }
    whence &= ~AVSEEK_FORCE;
    if (fseeko(file, off_t(offset), whence) != 0)
        return -1;
    return ftello(file);
}

void prepareLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_level(AV_LOG_QUIET);
        // A box size in a damaged or hostile file can ask for gigabytes;
        // no frame within the reader's limits needs a block this large.
        av_max_alloc(kMostBytesAtOnce);
    });
}

MovieInput::~MovieInput()
{
    format_.reset();  // before the I/O context it reads through
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
    if (file_)
        std::fclose(file_);
}

MovieStatus MovieInput::open(const std::string& path)
{
    prepareLibraries();
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_)
        return MovieStatus::CannotOpen;
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferSize));
    if (!buffer)
        return MovieStatus::CannotOpen;
    io_ = avio_alloc_context(buffer, kIoBufferSize, 0, file_, readFile, nullptr, seekStdioFile);
    if (!io_) {
        av_free(buffer);
        return MovieStatus::CannotOpen;
    }
    AVFormatContext* context = avformat_alloc_context();
    if (!context)
        return MovieStatus::CannotOpen;
    context->pb = io_;
    context->flags |= AVFMT_FLAG_CUSTOM_IO;
    context->io_open = refuseOpen;
    context->format_whitelist = av_strdup(kDemuxers);
    // On failure avformat_open_input frees the context itself.
    if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) < 0)
        return MovieStatus::NotAMovie;
    format_.reset(context);
    if (avformat_find_stream_info(context, nullptr) < 0)
        return MovieStatus::NotAMovie;
    return MovieStatus::Ok;
}

MovieStatus openDecoder(const AVStream& stream, CodecPtr& codec, int threads)
{
    const AVCodec* decoder = avcodec_find_decoder(stream.codecpar->codec_id);
    if (!decoder)
        return MovieStatus::NoDecoder;
    codec.reset(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), stream.codecpar) < 0)
        return MovieStatus::NoDecoder;
    codec->thread_count = threads;
    codec->pkt_timebase = stream.time_base;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return MovieStatus::NoDecoder;
    return MovieStatus::Ok;
}

void displaySize(int width, int height, AVRational sampleAspect, std::uint32_t& shownWidth,
                 std::uint32_t& shownHeight)
{
    double shown = width;
    if (sampleAspect.num > 0 && sampleAspect.den > 0) {
        const double ratio = av_q2d(sampleAspect);
        if (ratio >= 0.25 && ratio <= 4)
            shown = std::round(width * ratio);
    }
    shownWidth = std::uint32_t(std::max(1.0, shown));
    shownHeight = std::uint32_t(height);
}

int clockwiseRotation(const AVStream& stream)
{
    const std::uint8_t* matrix = av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
    if (!matrix)
        return 0;
    const double degrees = -av_display_rotation_get(reinterpret_cast<const std::int32_t*>(matrix));
    if (std::isnan(degrees))
        return 0;
    const long turned = std::lround(degrees);
    const long normalised = ((turned % 360) + 360) % 360;
    // Only quarter turns; a matrix that tilts the picture by some other angle
    // is taken as upright.
    for (long quarter : {0L, 90L, 180L, 270L, 360L}) {
        if (std::labs(normalised - quarter) <= 1)
            return int(quarter % 360);
    }
    return 0;
}

AVPixelFormat fullRangeEquivalent(AVPixelFormat format, bool& fullRange)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        fullRange = true;
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        fullRange = true;
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        fullRange = true;
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        fullRange = true;
        return AV_PIX_FMT_YUV440P;
    default:
        return format;
    }
}

int frameColourMatrix(const AVFrame& decoded)
{
    const int matrix = decoded.colorspace;
    if (matrix == AVCOL_SPC_UNSPECIFIED || matrix == AVCOL_SPC_RESERVED || matrix > AVCOL_SPC_BT2020_CL)
        return decoded.height >= 720 ? SWS_CS_ITU709 : SWS_CS_ITU601;
    return matrix;
}

}  // namespace quorvane::movie
