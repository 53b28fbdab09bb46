#pragma once

#include <string>

namespace quorvane {

// The size a web copy's long side is brought down to unless told otherwise.
inline constexpr int kDefaultWebCopySize = 1280;

// Writes a copy of the movie at source that every browser plays: MP4 with
// H.264 video (yuv420p, square pixels, long side at most longSide, the
// source's display rotation kept) and AAC sound, its index at the front
// ("faststart") so playback starts before the whole file has arrived. The
// copy is made beside target and renamed over it once complete, so a failed
// or interrupted run leaves no partial file. Answers "" on success, else why
// not, in a few words.
std::string writeWebCopy(const std::string& source, const std::string& target, int longSide = kDefaultWebCopySize);

}  // namespace quorvane
