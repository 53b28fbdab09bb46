#include "imaging/picture_format.h"

#include "foundation/ascii.h"

namespace quorvane {

namespace {

std::string_view extensionOf(std::string_view fileName)
{
    const std::size_t dot = fileName.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : fileName.substr(dot);
}

struct Extension {
    std::string_view text;
    PictureFormat format;
};

constexpr Extension kTodaysExtensions[] = {
    {".heic", PictureFormat::Heif}, {".heif", PictureFormat::Heif}, {".hif", PictureFormat::Heif},
    {".avif", PictureFormat::Heif}, {".png", PictureFormat::Png},   {".webp", PictureFormat::Webp},
};

}  // namespace

PictureFormat pictureFormatOf(std::string_view fileName)
{
    const std::string_view extension = extensionOf(fileName);
    if (startsWithIgnoringAsciiCase(extension, ".jpg") || startsWithIgnoringAsciiCase(extension, ".jpeg"))
        return PictureFormat::Jpeg;
    for (const Extension& known : kTodaysExtensions) {
        if (equalsIgnoringAsciiCase(extension, known.text))
            return known.format;
    }
    return PictureFormat::Unknown;
}

bool browsersShow(std::string_view fileName)
{
    return pictureFormatOf(fileName) != PictureFormat::Heif || equalsIgnoringAsciiCase(extensionOf(fileName), ".avif");
}

std::string_view generatedNameSuffix(std::string_view fileName)
{
    return pictureFormatOf(fileName) == PictureFormat::Jpeg ? std::string_view() : ".jpg";
}

}  // namespace quorvane
