#include "imaging/picture_format.h"

#include "foundation/ascii.h"

namespace quorvane {

namespace {

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

bool beginsIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalIgnoringCase(text.substr(0, prefix.size()), prefix);
}

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
    if (beginsIgnoringCase(extension, ".jpg") || beginsIgnoringCase(extension, ".jpeg"))
        return PictureFormat::Jpeg;
    for (const Extension& known : kTodaysExtensions) {
        if (equalIgnoringCase(extension, known.text))
            return known.format;
    }
    return PictureFormat::Unknown;
}

bool browsersShow(std::string_view fileName)
{
    return pictureFormatOf(fileName) != PictureFormat::Heif || equalIgnoringCase(extensionOf(fileName), ".avif");
}

std::string_view generatedNameSuffix(std::string_view fileName)
{
    return pictureFormatOf(fileName) == PictureFormat::Jpeg ? std::string_view() : ".jpg";
}

}  // namespace quorvane
