#include "imaging/movie_frame.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

extern "C" {
#include <libavutil/pixdesc.h>
}

#include "imaging/movie_input.h"

namespace quorvane {

namespace {

using namespace movie;

bool startsWith(const char* text, const char* prefix)
{
    return text && std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

const char* metadata(const AVDictionary* dictionary, const char* key)
{
    const AVDictionaryEntry* entry = av_dict_get(dictionary, key, nullptr, 0);
    return entry ? entry->value : nullptr;
}

std::string containerName(const AVFormatContext& format, const MovieFacts& facts)
{
    const std::string demuxer = format.iformat->name;
    if (startsWith(demuxer.c_str(), "mov,")) {
        const char* brand = metadata(format.metadata, "major_brand");
        if (!brand || startsWith(brand, "qt"))
            return "mov";
        if (startsWith(brand, "M4V"))
            return "m4v";
        if (startsWith(brand, "3g"))
            return "3gp";
        return "mp4";
    }
    if (startsWith(demuxer.c_str(), "matroska")) {
        const std::string& v = facts.videoCodec;
        const std::string& a = facts.audioCodec;
        const bool webVideo = v == "vp8" || v == "vp9" || v == "av1";
        const bool webAudio = a.empty() || a == "vorbis" || a == "opus";
        return webVideo && webAudio ? "webm" : "matroska";
    }
    if (demuxer == "mpegvideo")
        return "mpeg";
    return demuxer;
}

bool digitsAt(const char* text, std::size_t start, std::size_t count)
{
    for (std::size_t i = start; i < start + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

// Reads "YYYY-MM-DD?HH:MM:SS" from the start of text; false when it is not
// there or names a year before 1971 (empty fields of QuickTime and others).
bool parseIsoTime(const char* text, std::tm& time)
{
    if (!text || std::strlen(text) < 19 || !digitsAt(text, 0, 4) || text[4] != '-' ||
        !digitsAt(text, 5, 2) || text[7] != '-' || !digitsAt(text, 8, 2) ||
        !digitsAt(text, 11, 2) || text[13] != ':' || !digitsAt(text, 14, 2) || text[16] != ':' ||
        !digitsAt(text, 17, 2))
        return false;
    time = std::tm{};
    time.tm_year = std::atoi(std::string(text, 4).c_str()) - 1900;
    time.tm_mon = std::atoi(std::string(text + 5, 2).c_str()) - 1;
    time.tm_mday = std::atoi(std::string(text + 8, 2).c_str());
    time.tm_hour = std::atoi(std::string(text + 11, 2).c_str());
    time.tm_min = std::atoi(std::string(text + 14, 2).c_str());
    time.tm_sec = std::atoi(std::string(text + 17, 2).c_str());
    return time.tm_year >= 71 && time.tm_mon < 12 && time.tm_mday >= 1 && time.tm_mday <= 31 &&
           time.tm_hour < 24 && time.tm_min < 60 && time.tm_sec < 61;
}

std::string exifTime(const std::tm& time)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", time.tm_year + 1900,
                  time.tm_mon + 1, time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec);
    return text;
}

// Apple's own key keeps the local time of the recording; the generic
// creation time is UTC, shown in this machine's time zone like the clock
// times of photos taken around it.
std::string creationTime(const AVFormatContext& format, const AVStream& stream)
{
    std::tm time{};
    if (parseIsoTime(metadata(format.metadata, "com.apple.quicktime.creationdate"), time))
        return exifTime(time);
    const char* utc = metadata(format.metadata, "creation_time");
    if (!utc)
        utc = metadata(stream.metadata, "creation_time");
    if (!parseIsoTime(utc, time))
        return {};
    const std::time_t seconds = timegm(&time);
    std::tm local{};
    if (seconds == std::time_t(-1) || !localtime_r(&seconds, &local))
        return {};
    return exifTime(local);
}

void fillFacts(const AVFormatContext& format, const AVStream& video, int audioIndex, MovieFacts& facts)
{
    if (format.duration != AV_NOPTS_VALUE && format.duration > 0)
        facts.durationSeconds = double(format.duration) / AV_TIME_BASE;
    else if (video.duration != AV_NOPTS_VALUE && video.duration > 0)
        facts.durationSeconds = double(video.duration) * av_q2d(video.time_base);
    facts.videoCodec = avcodec_get_name(video.codecpar->codec_id);
    if (audioIndex >= 0)
        facts.audioCodec = avcodec_get_name(format.streams[audioIndex]->codecpar->codec_id);
    facts.container = containerName(format, facts);
    facts.rotation = clockwiseRotation(video);
    const AVRational aspect =
        av_guess_sample_aspect_ratio(const_cast<AVFormatContext*>(&format), const_cast<AVStream*>(&video), nullptr);
    displaySize(video.codecpar->width, video.codecpar->height, aspect, facts.width, facts.height);
    if (facts.rotation == 90 || facts.rotation == 270)
        std::swap(facts.width, facts.height);
    facts.browserPlayable = isBrowserPlayable(facts.container, facts.videoCodec, facts.audioCodec);
    facts.creationTime = creationTime(format, video);
}

// Opens the file and finds its video stream; the stream's index, or -1.
MovieStatus openWithFacts(const std::string& path, MovieInput& input, MovieFacts& facts, int& videoIndex)
{
    facts = MovieFacts{};
    videoIndex = -1;
    const MovieStatus status = input.open(path);
    if (status != MovieStatus::Ok)
        return status;
    AVFormatContext* format = input.format();
    videoIndex = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (videoIndex < 0 || format->streams[videoIndex]->codecpar->width <= 0 ||
        format->streams[videoIndex]->codecpar->height <= 0) {
        videoIndex = -1;
        return MovieStatus::NotAMovie;
    }
    const int audioIndex = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, videoIndex, nullptr, 0);
    fillFacts(*format, *format->streams[videoIndex], audioIndex, facts);
    return MovieStatus::Ok;
}

// Decodes from the current read position until a frame stamped at or after
// target arrives, and leaves it in found; when the stream ends first, found
// holds the last frame decoded. Damaged packets are skipped. False when no
// frame came at all within the packet budget.
bool decodeUntil(AVFormatContext& format, AVCodecContext& codec, int videoIndex, std::int64_t target,
                 int packetBudget, AVFrame& found)
{
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    if (!packet || !frame)
        return false;
    bool have = false;
    bool draining = false;
    while (true) {
        if (!draining) {
            if (packetBudget-- <= 0)
                return have;
            if (av_read_frame(&format, packet.get()) < 0) {
                draining = true;
                avcodec_send_packet(&codec, nullptr);
            } else {
                if (packet->stream_index == videoIndex)
                    avcodec_send_packet(&codec, packet.get());
                av_packet_unref(packet.get());
            }
        }
        while (avcodec_receive_frame(&codec, frame.get()) == 0) {
            av_frame_unref(&found);
            av_frame_move_ref(&found, frame.get());
            have = true;
            const std::int64_t time = found.best_effort_timestamp;
            if (time == AV_NOPTS_VALUE || time >= target)
                return true;
        }
        if (draining)
            return have;
    }
}

// Colour matrix and range as the stream declares them; streams that declare
// nothing get BT.709 from 720 lines up and BT.601 below, as players assume.
void setColourDetails(SwsContext& scaler, const AVFrame& decoded, bool fullRange)
{
    const int matrix = frameColourMatrix(decoded);
    const int sourceRange = fullRange || decoded.color_range == AVCOL_RANGE_JPEG ? 1 : 0;
    sws_setColorspaceDetails(&scaler, sws_getCoefficients(matrix), sourceRange,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
}

MovieStatus convertFrame(const AVFrame& decoded, AVRational streamAspect, std::uint64_t maxPixels,
                         Image& image)
{
    if (decoded.width <= 0 || decoded.height <= 0)
        return MovieStatus::NoFrame;
    const AVRational aspect = decoded.sample_aspect_ratio.num > 0 ? decoded.sample_aspect_ratio : streamAspect;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    displaySize(decoded.width, decoded.height, aspect, width, height);
    if (std::uint64_t(decoded.width) * std::uint64_t(decoded.height) > maxPixels ||
        std::uint64_t(width) * height > maxPixels)
        return MovieStatus::TooLarge;
    bool fullRange = false;
    const AVPixelFormat source = fullRangeEquivalent(AVPixelFormat(decoded.format), fullRange);
    ScalerPtr scaler(
        sws_getContext(decoded.width, decoded.height, source, int(width), int(height), AV_PIX_FMT_RGB24,
                       SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr));
    if (!scaler)
        return MovieStatus::NoFrame;
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(source);
    if (descriptor && !(descriptor->flags & AV_PIX_FMT_FLAG_RGB))
        setColourDetails(*scaler, decoded, fullRange);
    if (!image.allocate(width, height, 3))
        return MovieStatus::TooLarge;
    std::uint8_t* planes[4] = {image.pixels.get(), nullptr, nullptr, nullptr};
    const int strides[4] = {int(image.rowBytes()), 0, 0, 0};
    if (sws_scale(scaler.get(), decoded.data, decoded.linesize, 0, decoded.height, planes, strides) <= 0) {
        image.release();
        return MovieStatus::NoFrame;
    }
    return MovieStatus::Ok;
}

}  // namespace

const char* movieStatusText(MovieStatus status)
{
    switch (status) {
    case MovieStatus::Ok:
        return "ok";
    case MovieStatus::CannotOpen:
        return "cannot be opened";
    case MovieStatus::NotAMovie:
        return "is no movie this program reads";
    case MovieStatus::NoDecoder:
        return "uses a video codec this program cannot decode";
    case MovieStatus::NoFrame:
        return "has no decodable frame";
    case MovieStatus::TooLarge:
        return "has frames too large to decode";
    }
    return "unknown";
}

bool isBrowserPlayable(const std::string& container, const std::string& videoCodec,
                       const std::string& audioCodec)
{
    const bool isoFamily = container == "mp4" || container == "m4v" || container == "mov" || container == "3gp";
    if (isoFamily) {
        return videoCodec == "h264" &&
               (audioCodec.empty() || audioCodec == "aac" || audioCodec == "mp3" || audioCodec == "opus");
    }
    if (container == "webm") {
        return (videoCodec == "vp8" || videoCodec == "vp9" || videoCodec == "av1") &&
               (audioCodec.empty() || audioCodec == "vorbis" || audioCodec == "opus");
    }
    return false;
}

MovieStatus readMovieFacts(const std::string& path, MovieFacts& facts)
{
    MovieInput input;
    int videoIndex = -1;
    return openWithFacts(path, input, facts, videoIndex);
}

MovieStatus readMovieFrame(const std::string& path, Image& frame, MovieFacts& facts,
                           const MovieFrameLimits& limits)
{
    frame.release();
    MovieInput input;
    int videoIndex = -1;
    MovieStatus status = openWithFacts(path, input, facts, videoIndex);
    if (status != MovieStatus::Ok)
        return status;
    AVFormatContext& format = *input.format();
    AVStream& stream = *format.streams[videoIndex];
    if (std::uint64_t(stream.codecpar->width) * std::uint64_t(stream.codecpar->height) > limits.maxPixels)
        return MovieStatus::TooLarge;
    CodecPtr codec;
    // The thumbnail job already runs one movie per core.
    status = openDecoder(stream, codec, 1);
    if (status != MovieStatus::Ok)
        return status;

    FramePtr found(av_frame_alloc());
    if (!found)
        return MovieStatus::NoFrame;
    const std::int64_t start = stream.start_time != AV_NOPTS_VALUE ? stream.start_time : 0;
    bool have = false;
    if (facts.durationSeconds > 0) {
        const std::int64_t target = start + std::llround(facts.durationSeconds * 0.1 / av_q2d(stream.time_base));
        if (av_seek_frame(&format, videoIndex, target, AVSEEK_FLAG_BACKWARD) >= 0) {
            avcodec_flush_buffers(codec.get());
            have = decodeUntil(format, *codec, videoIndex, target, limits.maxPackets, *found);
        }
    }
    if (!have) {
        // Nothing there: the first decodable frame from the start instead.
        if (av_seek_frame(&format, videoIndex, start, AVSEEK_FLAG_BACKWARD) < 0)
            av_seek_frame(&format, -1, 0, AVSEEK_FLAG_BYTE);  // streams without an index
        avcodec_flush_buffers(codec.get());
        have = decodeUntil(format, *codec, videoIndex, INT64_MIN, limits.maxPackets, *found);
    }
    if (!have)
        return MovieStatus::NoFrame;
    const AVRational aspect = av_guess_sample_aspect_ratio(&format, &stream, nullptr);
    status = convertFrame(*found, aspect, limits.maxPixels, frame);
    if (status != MovieStatus::Ok)
        return status;
    rotateImage(frame, facts.rotation);
    facts.width = frame.width;
    facts.height = frame.height;
    return MovieStatus::Ok;
}

void rotateImage(Image& image, int clockwiseDegrees)
{
    if (image.empty() || (clockwiseDegrees != 90 && clockwiseDegrees != 180 && clockwiseDegrees != 270))
        return;
    const bool quarter = clockwiseDegrees != 180;
    Image turned;
    turned.allocate(quarter ? image.height : image.width, quarter ? image.width : image.height,
                    image.components);
    const std::uint32_t w = image.width;
    const std::uint32_t h = image.height;
    for (std::uint32_t y = 0; y < turned.height; ++y) {
        for (std::uint32_t x = 0; x < turned.width; ++x) {
            std::uint32_t sx = 0;
            std::uint32_t sy = 0;
            if (clockwiseDegrees == 90) {
                sx = y;
                sy = h - 1 - x;
            } else if (clockwiseDegrees == 180) {
                sx = w - 1 - x;
                sy = h - 1 - y;
            } else {
                sx = w - 1 - y;
                sy = x;
            }
            std::memcpy(turned.at(x, y), image.at(sx, sy), image.components);
        }
    }
    image = std::move(turned);
}

}  // namespace quorvane
