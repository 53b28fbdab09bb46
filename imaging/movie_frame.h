#pragma once

#include <cstdint>
#include <string>

#include "imaging/image.h"

namespace quorvane {

// What a movie file says about itself, as far as its container and first
// video stream tell.
struct MovieFacts {
    double durationSeconds = 0;   // 0 when the container does not say
    std::uint32_t width = 0;      // as shown: turned upright, square pixels
    std::uint32_t height = 0;
    int rotation = 0;             // clockwise degrees turned to show it upright: 0, 90, 180, 270
    std::string container;        // "mp4", "mov", "m4v", "3gp", "webm", "matroska", "avi", "mpeg", ...
    std::string videoCodec;       // FFmpeg's codec name: "h264", "hevc", "vp9", "mjpeg", ...
    std::string audioCodec;       // "" when the movie has no sound
    // True when today's browsers play the file as it is in a <video>
    // element: see isBrowserPlayable().
    bool browserPlayable = false;
    // When the movie was recorded, "YYYY:MM:DD HH:MM:SS" like Exif's
    // DateTimeOriginal, in local time; "" when the container does not say.
    std::string creationTime;
};

enum class MovieStatus {
    Ok,
    CannotOpen,    // missing or unreadable file
    NotAMovie,     // no container this system reads, or no video stream
    NoDecoder,     // a video codec this build cannot decode
    NoFrame,       // nothing decodable in the video stream
    TooLarge,      // the frame is larger than the caller allows
};

// A short English reason for a status, for job summaries.
const char* movieStatusText(MovieStatus status);

struct MovieFrameLimits {
    std::uint64_t maxPixels = 100'000'000;  // refuses larger frames
    int maxPackets = 4000;                  // packets read while looking for the frame
};

// Opens a movie and reads its facts without decoding any picture.
MovieStatus readMovieFacts(const std::string& path, MovieFacts& facts);

// Decodes the poster frame of a movie: the frame about 10% into it, or the
// first decodable frame when there is none there (very short movies, broken
// indexes). The frame is RGB, turned upright by the stream's rotation and
// stretched to square pixels, so its size is facts.width × facts.height.
// On failure the image is left empty; facts hold what could be read.
MovieStatus readMovieFrame(const std::string& path, Image& frame, MovieFacts& facts,
                           const MovieFrameLimits& limits = {});

// The rule behind MovieFacts::browserPlayable: MP4, M4V and QuickTime files
// with H.264 video, and WebM files with VP8, VP9 or AV1 video, whose sound
// (if any) is AAC, MP3 or Opus (Vorbis too in WebM). HEVC is left out: only
// Safari and some Chromium builds with hardware decoders play it.
bool isBrowserPlayable(const std::string& container, const std::string& videoCodec,
                       const std::string& audioCodec);

// Turns an image clockwise by 90, 180 or 270 degrees (other values leave it).
void rotateImage(Image& image, int clockwiseDegrees);

}  // namespace quorvane
