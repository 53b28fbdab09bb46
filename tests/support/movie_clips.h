#pragma once

#include <functional>
#include <string>

#include "imaging/image.h"

namespace quorvane::test {

// A small movie written with FFmpeg's own encoders and muxers, so tests
// have clips whose every frame they know.
struct ClipSpec {
    int width = 64;
    int height = 48;
    int frames = 30;
    int framesPerSecond = 10;
    // The display rotation stored with the stream: clockwise degrees a
    // player turns the picture to show it upright.
    int rotation = 0;
    // "libx264" (if this FFmpeg has it), "mpeg4", "mjpeg", "libvpx" ...
    std::string encoder = "mpeg4";
    // Container metadata "creation_time" (ISO 8601), none when empty.
    std::string creationTime;
    // Paints frame number n (0-based) into an RGB image of width × height.
    std::function<void(int n, Image& picture)> paint;
};

// Writes the clip, the container chosen by the path's extension. Returns
// "" on success, else what failed.
std::string writeClip(const std::string& path, const ClipSpec& spec);

// True when this FFmpeg build has the named encoder.
bool hasEncoder(const char* name);

// Paints the whole picture in one RGB colour.
void paintSolid(Image& picture, int r, int g, int b);

}  // namespace quorvane::test
