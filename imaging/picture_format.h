#pragma once

#include <string_view>

namespace quorvane {

// The decoders a picture file goes to, told by its name.
enum class PictureFormat {
    Unknown,
    Jpeg,  // extension beginning with ".jpg" or ".jpeg", any letter case
    Heif,  // ".heic", ".heif", ".hif", ".avif": libheif
    Png,   // ".png": libpng
    Webp,  // ".webp": libwebp
};

// The format a file name says. JPEG keeps the album's old rule (the
// extension only has to begin with ".jpg" or ".jpeg"); the formats of today
// need their exact extension, in any letter case.
PictureFormat pictureFormatOf(std::string_view fileName);

// Formats recognised only when the project takes today's formats.
inline bool isTodaysFormat(PictureFormat format)
{
    return format == PictureFormat::Heif || format == PictureFormat::Png ||
           format == PictureFormat::Webp;
}

// Whether web browsers show a picture of this name: all but HEIC and HEIF
// (".heic", ".heif", ".hif"), which hardly any browser but Safari decodes.
bool browsersShow(std::string_view fileName);

// What generated files add after the picture's name: nothing for a JPEG
// picture ("thm_a.jpg", as always), ".jpg" for every other format
// ("thm_IMG_0001.heic.jpg"), so generated files are JPEG files named so, and
// IMG_0001.jpg and IMG_0001.heic never share one.
std::string_view generatedNameSuffix(std::string_view fileName);

}  // namespace quorvane
