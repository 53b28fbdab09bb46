#include "imaging/movie_web_copy.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include "foundation/safe_files.h"
#include "imaging/movie_input.h"

namespace quorvane {

namespace {

using namespace movie;

constexpr AVRational kVideoTimeBase{1, 90000};
constexpr std::uint64_t kMostSourcePixels = 100'000'000;

struct OutputCloser {
    void operator()(AVFormatContext* context) const
    {
        if (context->pb) {  // our own I/O: the library leaves it and its buffer to us
            av_freep(&context->pb->buffer);
            avio_context_free(&context->pb);
        }
        avformat_free_context(context);
    }
};
struct ResamplerCloser {
    void operator()(SwrContext* context) const { swr_free(&context); }
};
struct FifoCloser {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};

int writeFile(void* opaque, std::uint8_t* buffer, int size)
{
    if (std::fwrite(buffer, 1, std::size_t(size), static_cast<std::FILE*>(opaque)) != std::size_t(size))
        return AVERROR(errno ? errno : EIO);
    return size;
}

// Moving the index to the front reads the file back by its name; only that
// file may be opened, and only for reading.
int openForFaststart(AVFormatContext* context, AVIOContext** io, const char* url, int flags,
                     AVDictionary** options)
{
    if (flags != AVIO_FLAG_READ || !context->url || std::strcmp(url, context->url) != 0)
        return AVERROR(EPERM);
    const std::string fileUrl = std::string("file:") + url;
    return avio_open2(io, fileUrl.c_str(), flags, &context->interrupt_callback, options);
}

// An even number of pixels (4:2:0 needs it), at least 2.
int evenSize(double pixels)
{
    return std::max(2, int(std::lround(pixels / 2)) * 2);
}

class WebCopyWriter {
public:
    explicit WebCopyWriter(int longSide) : longSide_(std::clamp(longSide, 16, 8192)) {}
    ~WebCopyWriter()
    {
        if (!temporary_.empty())
            ::unlink(temporary_.c_str());
    }

    std::string write(const std::string& source, const std::string& target);

private:
    std::string openSource(const std::string& source);
    std::string openVideoEncoder();
    std::string openAudio();
    std::string openOutput(const std::string& target);
    std::string transcode();
    bool sendVideo(AVFrame* frame);
    bool convertVideo(const AVFrame& decoded);
    bool sendAudio(const AVFrame* decoded);
    bool encodeAudioFrames(bool last);
    bool drain(AVCodecContext& encoder, AVStream& stream, const AVFrame* frame);
    std::string finish(const std::string& target);

    int longSide_;
    MovieInput input_;
    int videoIndex_ = -1;
    int audioIndex_ = -1;
    CodecPtr videoDecoder_;
    CodecPtr audioDecoder_;
    CodecPtr videoEncoder_;
    CodecPtr audioEncoder_;
    std::unique_ptr<AVFormatContext, OutputCloser> output_;
    AVStream* videoOut_ = nullptr;
    AVStream* audioOut_ = nullptr;
    FileHandle file_;
    std::string temporary_;
    ScalerPtr scaler_;
    int scalerWidth_ = 0;
    int scalerHeight_ = 0;
    int scalerFormat_ = -1;
    std::unique_ptr<SwrContext, ResamplerCloser> resampler_;
    std::unique_ptr<AVAudioFifo, FifoCloser> fifo_;
    FramePtr picture_;
    FramePtr sound_;
    PacketPtr packet_;
    std::int64_t startTime_ = 0;  // AV_TIME_BASE units
    std::int64_t lastVideoPts_ = -1;
    std::int64_t audioPts_ = AV_NOPTS_VALUE;
    int framesWritten_ = 0;
};

std::string WebCopyWriter::openSource(const std::string& source)
{
    const MovieStatus status = input_.open(source);
    if (status != MovieStatus::Ok)
        return movieStatusText(status);
    AVFormatContext& format = *input_.format();
    videoIndex_ = av_find_best_stream(&format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (videoIndex_ < 0)
        return movieStatusText(MovieStatus::NotAMovie);
    const AVCodecParameters& video = *format.streams[videoIndex_]->codecpar;
    if (video.width <= 0 || video.height <= 0)
        return movieStatusText(MovieStatus::NotAMovie);
    if (std::uint64_t(video.width) * std::uint64_t(video.height) > kMostSourcePixels)
        return movieStatusText(MovieStatus::TooLarge);
    const MovieStatus decoder = openDecoder(*format.streams[videoIndex_], videoDecoder_, 0);
    if (decoder != MovieStatus::Ok)
        return movieStatusText(decoder);
    // Sound the build cannot decode is left out rather than losing the picture.
    audioIndex_ = av_find_best_stream(&format, AVMEDIA_TYPE_AUDIO, -1, videoIndex_, nullptr, 0);
    if (audioIndex_ >= 0 && openDecoder(*format.streams[audioIndex_], audioDecoder_, 1) != MovieStatus::Ok)
        audioIndex_ = -1;
    if (format.start_time != AV_NOPTS_VALUE)
        startTime_ = format.start_time;
    return {};
}

std::string WebCopyWriter::openVideoEncoder()
{
    const AVCodec* encoder = avcodec_find_encoder_by_name("libx264");
    if (!encoder)
        return "this FFmpeg build has no H.264 encoder (libx264)";
    const AVStream& stream = *input_.format()->streams[videoIndex_];
    std::uint32_t shownWidth = 0;
    std::uint32_t shownHeight = 0;
    displaySize(stream.codecpar->width, stream.codecpar->height,
                av_guess_sample_aspect_ratio(input_.format(), const_cast<AVStream*>(&stream), nullptr), shownWidth,
                shownHeight);
    const double scale = std::min(1.0, double(longSide_) / std::max(shownWidth, shownHeight));
    videoEncoder_.reset(avcodec_alloc_context3(encoder));
    if (!videoEncoder_)
        return "out of memory";
    AVCodecContext& codec = *videoEncoder_;
    codec.width = evenSize(shownWidth * scale);
    codec.height = evenSize(shownHeight * scale);
    codec.sample_aspect_ratio = AVRational{1, 1};
    codec.pix_fmt = AV_PIX_FMT_YUV420P;
    codec.time_base = kVideoTimeBase;
    codec.framerate = av_guess_frame_rate(input_.format(), const_cast<AVStream*>(&stream), nullptr);
    codec.color_range = AVCOL_RANGE_MPEG;
    codec.colorspace = codec.height >= 720 ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
    codec.thread_count = 0;
    codec.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(codec.priv_data, "preset", "veryfast", 0);
    av_opt_set(codec.priv_data, "crf", "23", 0);
    if (avcodec_open2(&codec, encoder, nullptr) < 0)
        return "the H.264 encoder refused the movie's size";
    return {};
}

std::string WebCopyWriter::openAudio()
{
    if (audioIndex_ < 0)
        return {};
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!encoder)
        return "this FFmpeg build has no AAC encoder";
    const AVCodecContext& decoder = *audioDecoder_;
    AVChannelLayout in{};
    if (decoder.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_check(&decoder.ch_layout) == 0)
        av_channel_layout_default(&in, std::max(decoder.ch_layout.nb_channels, 1));
    else
        av_channel_layout_copy(&in, &decoder.ch_layout);
    int rate = 48000;
    for (const int* supported = encoder->supported_samplerates; supported && *supported; ++supported) {
        if (*supported == decoder.sample_rate)
            rate = decoder.sample_rate;
    }
    audioEncoder_.reset(avcodec_alloc_context3(encoder));
    if (!audioEncoder_)
        return "out of memory";
    AVCodecContext& codec = *audioEncoder_;
    // Stereo at most: a surround track is mixed down.
    AVChannelLayout out{};
    av_channel_layout_default(&out, in.nb_channels >= 2 ? 2 : 1);
    av_channel_layout_copy(&codec.ch_layout, &out);
    codec.sample_fmt = AV_SAMPLE_FMT_FLTP;
    codec.sample_rate = rate;
    codec.time_base = AVRational{1, rate};
    codec.bit_rate = 64000 * out.nb_channels;
    codec.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    SwrContext* resampler = nullptr;
    const bool ready = avcodec_open2(&codec, encoder, nullptr) >= 0 &&
                       swr_alloc_set_opts2(&resampler, &out, AV_SAMPLE_FMT_FLTP, rate, &in, decoder.sample_fmt,
                                           decoder.sample_rate, 0, nullptr) >= 0;
    av_channel_layout_uninit(&in);
    resampler_.reset(resampler);
    if (!ready || !resampler_ || swr_init(resampler_.get()) < 0)
        return "the movie's sound cannot be converted";
    fifo_.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, out.nb_channels, std::max(codec.frame_size, 1024) * 4));
    sound_.reset(av_frame_alloc());
    if (!fifo_ || !sound_)
        return "out of memory";
    return {};
}

std::string WebCopyWriter::openOutput(const std::string& target)
{
    temporary_ = temporaryBeside(target).string();
    file_ = createFreshFile(temporary_);
    if (!file_) {
        const std::string reason = std::strerror(errno);
        temporary_.clear();
        return "cannot create a file beside it: " + reason;
    }
    // AVIO buffers already; the faststart pass reads the file back while
    // this handle writes.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
    AVFormatContext* context = nullptr;
    if (avformat_alloc_output_context2(&context, nullptr, "mp4", temporary_.c_str()) < 0 || !context)
        return "this FFmpeg build has no MP4 writer";
    output_.reset(context);
    constexpr int kBufferSize = 64 * 1024;
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kBufferSize));
    context->pb = buffer ? avio_alloc_context(buffer, kBufferSize, 1, file_.get(), nullptr, writeFile, seekStdioFile)
                         : nullptr;
    if (!context->pb) {
        av_free(buffer);
        return "out of memory";
    }
    context->flags |= AVFMT_FLAG_CUSTOM_IO;
    context->io_open = openForFaststart;
    videoOut_ = avformat_new_stream(context, nullptr);
    if (!videoOut_ || avcodec_parameters_from_context(videoOut_->codecpar, videoEncoder_.get()) < 0)
        return "out of memory";
    videoOut_->time_base = videoEncoder_->time_base;
    const AVStream& source = *input_.format()->streams[videoIndex_];
    std::size_t matrixSize = 0;
    // Browsers turn the picture by the same matrix the phone wrote.
    if (const std::uint8_t* matrix = av_stream_get_side_data(&source, AV_PKT_DATA_DISPLAYMATRIX, &matrixSize)) {
        if (std::uint8_t* copy = av_stream_new_side_data(videoOut_, AV_PKT_DATA_DISPLAYMATRIX, matrixSize))
            std::memcpy(copy, matrix, matrixSize);
    }
    if (audioEncoder_) {
        audioOut_ = avformat_new_stream(context, nullptr);
        if (!audioOut_ || avcodec_parameters_from_context(audioOut_->codecpar, audioEncoder_.get()) < 0)
            return "out of memory";
        audioOut_->time_base = audioEncoder_->time_base;
    }
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "+faststart", 0);
    const int written = avformat_write_header(context, &options);
    av_dict_free(&options);
    if (written < 0)
        return "cannot write the copy's header";
    return {};
}

bool WebCopyWriter::drain(AVCodecContext& encoder, AVStream& stream, const AVFrame* frame)
{
    if (avcodec_send_frame(&encoder, frame) < 0)
        return false;
    while (true) {
        const int result = avcodec_receive_packet(&encoder, packet_.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result < 0)
            return false;
        // The last frame's length counts in the movie's length too.
        if (packet_->duration == 0 && encoder.codec_type == AVMEDIA_TYPE_VIDEO && encoder.framerate.num > 0)
            packet_->duration = av_rescale_q(1, av_inv_q(encoder.framerate), encoder.time_base);
        av_packet_rescale_ts(packet_.get(), encoder.time_base, stream.time_base);
        packet_->stream_index = stream.index;
        if (av_interleaved_write_frame(output_.get(), packet_.get()) < 0)
            return false;
    }
}

bool WebCopyWriter::convertVideo(const AVFrame& decoded)
{
    bool fullRange = false;
    const AVPixelFormat format = fullRangeEquivalent(AVPixelFormat(decoded.format), fullRange);
    if (!scaler_ || decoded.width != scalerWidth_ || decoded.height != scalerHeight_ || format != scalerFormat_) {
        scaler_.reset(sws_getContext(decoded.width, decoded.height, format, videoEncoder_->width,
                                     videoEncoder_->height, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr,
                                     nullptr));
        if (!scaler_)
            return false;
        const int sourceRange = fullRange || decoded.color_range == AVCOL_RANGE_JPEG ? 1 : 0;
        const int target = videoEncoder_->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_ITU601;
        sws_setColorspaceDetails(scaler_.get(), sws_getCoefficients(frameColourMatrix(decoded)), sourceRange,
                                 sws_getCoefficients(target), 0, 0, 1 << 16, 1 << 16);
        scalerWidth_ = decoded.width;
        scalerHeight_ = decoded.height;
        scalerFormat_ = format;
    }
    if (av_frame_make_writable(picture_.get()) < 0)
        return false;
    return sws_scale(scaler_.get(), decoded.data, decoded.linesize, 0, decoded.height, picture_->data,
                     picture_->linesize) > 0;
}

bool WebCopyWriter::sendVideo(AVFrame* decoded)
{
    if (!decoded)
        return drain(*videoEncoder_, *videoOut_, nullptr);
    if (decoded->width <= 0 || decoded->height <= 0 ||
        std::uint64_t(decoded->width) * std::uint64_t(decoded->height) > kMostSourcePixels)
        return true;  // a damaged frame is passed over like a damaged packet
    const AVStream& stream = *input_.format()->streams[videoIndex_];
    std::int64_t pts = lastVideoPts_ + 1;
    if (decoded->best_effort_timestamp != AV_NOPTS_VALUE) {
        const std::int64_t start = av_rescale_q(startTime_, AV_TIME_BASE_Q, stream.time_base);
        pts = std::max<std::int64_t>(0, av_rescale_q(decoded->best_effort_timestamp - start, stream.time_base,
                                                     kVideoTimeBase));
    }
    // Repeated or backward stamps of damaged streams: the frame is dropped.
    if (pts <= lastVideoPts_)
        return true;
    if (!convertVideo(*decoded))
        return false;
    lastVideoPts_ = pts;
    picture_->pts = pts;
    ++framesWritten_;
    return drain(*videoEncoder_, *videoOut_, picture_.get());
}

// Moves whole encoder frames from the queue to the encoder; last sends what
// is left as a shorter frame.
bool WebCopyWriter::encodeAudioFrames(bool last)
{
    AVCodecContext& codec = *audioEncoder_;
    const int frameSize = codec.frame_size > 0 ? codec.frame_size : 1024;
    while (av_audio_fifo_size(fifo_.get()) >= frameSize || (last && av_audio_fifo_size(fifo_.get()) > 0)) {
        const int samples = std::min(frameSize, av_audio_fifo_size(fifo_.get()));
        av_frame_unref(sound_.get());
        sound_->nb_samples = (codec.codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) ? samples : frameSize;
        sound_->format = codec.sample_fmt;
        sound_->sample_rate = codec.sample_rate;
        if (av_channel_layout_copy(&sound_->ch_layout, &codec.ch_layout) < 0 ||
            av_frame_get_buffer(sound_.get(), 0) < 0)
            return false;
        av_samples_set_silence(sound_->data, 0, sound_->nb_samples, codec.ch_layout.nb_channels, codec.sample_fmt);
        if (av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(sound_->data), samples) != samples)
            return false;
        sound_->pts = audioPts_;
        audioPts_ += sound_->nb_samples;
        if (!drain(codec, *audioOut_, sound_.get()))
            return false;
    }
    return true;
}

bool WebCopyWriter::sendAudio(const AVFrame* decoded)
{
    AVCodecContext& codec = *audioEncoder_;
    if (audioPts_ == AV_NOPTS_VALUE) {
        audioPts_ = 0;
        const AVStream& stream = *input_.format()->streams[audioIndex_];
        if (decoded && decoded->best_effort_timestamp != AV_NOPTS_VALUE) {
            const std::int64_t start = av_rescale_q(startTime_, AV_TIME_BASE_Q, stream.time_base);
            audioPts_ = std::max<std::int64_t>(
                0, av_rescale_q(decoded->best_effort_timestamp - start, stream.time_base, codec.time_base));
        }
    }
    // Room for the converted samples plus what the resampler holds back.
    const int room = swr_get_out_samples(resampler_.get(), decoded ? decoded->nb_samples : 0);
    if (room < 0)
        return false;
    if (room > 0) {
        FramePtr converted(av_frame_alloc());
        if (!converted)
            return false;
        converted->nb_samples = room;
        converted->format = codec.sample_fmt;
        converted->sample_rate = codec.sample_rate;
        if (av_channel_layout_copy(&converted->ch_layout, &codec.ch_layout) < 0 ||
            av_frame_get_buffer(converted.get(), 0) < 0)
            return false;
        const int got = swr_convert(resampler_.get(), converted->data, room,
                                    decoded ? const_cast<const std::uint8_t**>(decoded->extended_data) : nullptr,
                                    decoded ? decoded->nb_samples : 0);
        if (got < 0)
            return false;
        if (got > 0 && av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(converted->data), got) != got)
            return false;
    }
    if (!encodeAudioFrames(decoded == nullptr))
        return false;
    return decoded || drain(codec, *audioOut_, nullptr);
}

std::string WebCopyWriter::transcode()
{
    picture_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    PacketPtr input(av_packet_alloc());
    FramePtr decoded(av_frame_alloc());
    if (!picture_ || !packet_ || !input || !decoded)
        return "out of memory";
    picture_->format = AV_PIX_FMT_YUV420P;
    picture_->width = videoEncoder_->width;
    picture_->height = videoEncoder_->height;
    if (av_frame_get_buffer(picture_.get(), 0) < 0)
        return "out of memory";
    const auto receive = [&](AVCodecContext& decoder, bool video) {
        while (avcodec_receive_frame(&decoder, decoded.get()) == 0) {
            const bool sent = video ? sendVideo(decoded.get()) : sendAudio(decoded.get());
            av_frame_unref(decoded.get());
            if (!sent)
                return false;
        }
        return true;
    };
    // Damaged packets are skipped; the copy holds what could be decoded.
    while (av_read_frame(input_.format(), input.get()) >= 0) {
        bool ok = true;
        if (input->stream_index == videoIndex_) {
            avcodec_send_packet(videoDecoder_.get(), input.get());
            ok = receive(*videoDecoder_, true);
        } else if (input->stream_index == audioIndex_ && audioEncoder_) {
            avcodec_send_packet(audioDecoder_.get(), input.get());
            ok = receive(*audioDecoder_, false);
        }
        av_packet_unref(input.get());
        if (!ok)
            return "cannot write the copy: " + std::string(std::strerror(errno ? errno : EIO));
    }
    avcodec_send_packet(videoDecoder_.get(), nullptr);
    bool ok = receive(*videoDecoder_, true);
    if (audioEncoder_) {
        avcodec_send_packet(audioDecoder_.get(), nullptr);
        ok = ok && receive(*audioDecoder_, false) && sendAudio(nullptr);
    }
    if (framesWritten_ == 0)
        return movieStatusText(MovieStatus::NoFrame);
    if (!ok || !sendVideo(nullptr))
        return "cannot write the copy: " + std::string(std::strerror(errno ? errno : EIO));
    return {};
}

std::string WebCopyWriter::finish(const std::string& target)
{
    const int trailer = av_write_trailer(output_.get());
    avio_flush(output_->pb);
    const bool written = trailer >= 0 && output_->pb->error == 0;
    output_.reset();
    errno = 0;
    if (!closeChecked(file_) || !written)
        return "cannot write the copy: " + std::string(std::strerror(errno ? errno : EIO));
    if (std::rename(temporary_.c_str(), target.c_str()) != 0)
        return "cannot rename the copy: " + std::string(std::strerror(errno));
    temporary_.clear();
    return {};
}

std::string WebCopyWriter::write(const std::string& source, const std::string& target)
{
    std::string error = openSource(source);
    if (error.empty())
        error = openVideoEncoder();
    if (error.empty())
        error = openAudio();
    if (error.empty())
        error = openOutput(target);
    if (error.empty())
        error = transcode();
    if (error.empty())
        error = finish(target);
    return error;
}

}  // namespace

std::string writeWebCopy(const std::string& source, const std::string& target, int longSide)
{
    prepareLibraries();
    WebCopyWriter writer(longSide);
    return writer.write(source, target);
}

}  // namespace quorvane
