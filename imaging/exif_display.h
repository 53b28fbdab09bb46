#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvane {

// Texts for people beside the raw Exif values that the skins also get:
// "1/200 s" for an ExposureTime of "10/2000", "f/5.6" for an FNumber of
// "56/10", "135 mm" for a FocalLength of "135/1", "-0.7 EV" for an
// ExposureBiasValue of "-2/3", "30 May 2008, 15:56" for a DateTimeOriginal of
// "2008:05:30 15:56:01". None for other tags and for values that do not read
// as what the tag holds (a zero denominator, a damaged date).
std::optional<std::string> exifDisplayText(std::string_view tagName, std::string_view raw);

// The tags that have such a text, as the skins get them: "ExifText_" followed
// by the tag's name.
std::span<const std::string_view> exifDisplayTags();

}  // namespace quorvane
