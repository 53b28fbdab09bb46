#include "support/movie_clips.h"

#include <memory>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace quorvane::test {

namespace {

struct Output {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;
    ~Output()
    {
        sws_freeContext(scaler);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        if (format) {
            if (format->pb)
                avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }
};

// Sends frame (nullptr to drain) and writes every packet that comes out.
bool encode(Output& out, AVStream* stream, AVFrame* frame)
{
    if (avcodec_send_frame(out.codec, frame) < 0)
        return false;
    while (true) {
        const int result = avcodec_receive_packet(out.codec, out.packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result < 0)
            return false;
        av_packet_rescale_ts(out.packet, out.codec->time_base, stream->time_base);
        out.packet->stream_index = stream->index;
        if (av_interleaved_write_frame(out.format, out.packet) < 0)
            return false;
    }
}

std::string openOutput(Output& out, const std::string& path, const ClipSpec& spec, AVStream*& stream)
{
    if (avformat_alloc_output_context2(&out.format, nullptr, nullptr, path.c_str()) < 0)
        return "no muxer for " + path;
    const AVCodec* encoder = avcodec_find_encoder_by_name(spec.encoder.c_str());
    if (!encoder)
        return "no encoder " + spec.encoder;
    stream = avformat_new_stream(out.format, nullptr);
    out.codec = avcodec_alloc_context3(encoder);
    out.codec->width = spec.width;
    out.codec->height = spec.height;
    out.codec->time_base = AVRational{1, spec.framesPerSecond};
    out.codec->framerate = AVRational{spec.framesPerSecond, 1};
    out.codec->pix_fmt = spec.encoder == "mjpeg" ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_YUV420P;
    out.codec->gop_size = 10;
    out.codec->flags |= AV_CODEC_FLAG_QSCALE;
    out.codec->global_quality = FF_QP2LAMBDA * 2;
    if (out.format->oformat->flags & AVFMT_GLOBALHEADER)
        out.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (spec.encoder == "libx264")
        av_opt_set(out.codec->priv_data, "crf", "12", 0);
    if (avcodec_open2(out.codec, encoder, nullptr) < 0)
        return "cannot open encoder " + spec.encoder;
    avcodec_parameters_from_context(stream->codecpar, out.codec);
    stream->time_base = out.codec->time_base;
    if (spec.rotation != 0) {
        auto* matrix = reinterpret_cast<std::int32_t*>(
            av_stream_new_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(std::int32_t)));
        // Set takes a clockwise angle (get gives a counter-clockwise one).
        av_display_rotation_set(matrix, spec.rotation);
    }
    if (!spec.creationTime.empty())
        av_dict_set(&out.format->metadata, "creation_time", spec.creationTime.c_str(), 0);
    if (avio_open(&out.format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0)
        return "cannot create " + path;
    if (avformat_write_header(out.format, nullptr) < 0)
        return "cannot write the header of " + path;
    return {};
}

}  // namespace

bool hasEncoder(const char* name)
{
    return avcodec_find_encoder_by_name(name) != nullptr;
}

void paintSolid(Image& picture, int r, int g, int b)
{
    picture.fill(std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16);
}

std::string writeClip(const std::string& path, const ClipSpec& spec)
{
    av_log_set_level(AV_LOG_QUIET);
    Output out;
    AVStream* stream = nullptr;
    std::string error = openOutput(out, path, spec, stream);
    if (!error.empty())
        return error;
    out.frame = av_frame_alloc();
    out.packet = av_packet_alloc();
    out.frame->format = out.codec->pix_fmt;
    out.frame->width = spec.width;
    out.frame->height = spec.height;
    if (av_frame_get_buffer(out.frame, 0) < 0)
        return "no frame buffer";
    out.scaler = sws_getContext(spec.width, spec.height, AV_PIX_FMT_RGB24, spec.width, spec.height,
                                AVPixelFormat(out.frame->format), SWS_BICUBIC | SWS_ACCURATE_RND,
                                nullptr, nullptr, nullptr);
    Image picture;
    picture.allocate(std::uint32_t(spec.width), std::uint32_t(spec.height), 3);
    std::vector<std::uint8_t> padded;
    for (int n = 0; n < spec.frames; ++n) {
        picture.fill(0);
        if (spec.paint)
            spec.paint(n, picture);
        av_frame_make_writable(out.frame);
        // The scaler's vector loads read a little past the last row.
        padded.assign(picture.pixels.get(), picture.pixels.get() + picture.byteSize());
        padded.resize(picture.byteSize() + 64);
        const std::uint8_t* planes[1] = {padded.data()};
        const int strides[1] = {int(picture.rowBytes())};
        sws_scale(out.scaler, planes, strides, 0, spec.height, out.frame->data, out.frame->linesize);
        out.frame->pts = n;
        if (!encode(out, stream, out.frame))
            return "cannot encode frame " + std::to_string(n);
    }
    if (!encode(out, stream, nullptr))
        return "cannot drain the encoder";
    if (av_write_trailer(out.format) < 0)
        return "cannot finish " + path;
    return {};
}

}  // namespace quorvane::test
