#include "imaging/exif_display.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace quorvane {

namespace {

// "n/d" as stored for RATIONAL and SRATIONAL values.
std::optional<double> readRational(std::string_view text)
{
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    long long numerator = 0;
    long long denominator = 0;
    const char* end = text.data() + text.size();
    const auto top = std::from_chars(text.data(), text.data() + slash, numerator);
    const auto bottom = std::from_chars(text.data() + slash + 1, end, denominator);
    if (top.ec != std::errc() || top.ptr != text.data() + slash || bottom.ec != std::errc() ||
        bottom.ptr != end || denominator == 0)
        return std::nullopt;
    return static_cast<double>(numerator) / static_cast<double>(denominator);
}

// One decimal, without a trailing ".0": 5.6, 4, 18.7.
std::string shortNumber(double value)
{
    char text[32];
    double tenths = std::round(value * 10.0) / 10.0;
    if (tenths == 0.0)
        tenths = 0.0;  // no "-0"
    if (tenths == std::floor(tenths))
        std::snprintf(text, sizeof text, "%.0f", tenths);
    else
        std::snprintf(text, sizeof text, "%.1f", tenths);
    return text;
}

std::optional<std::string> exposureTime(double seconds)
{
    if (!(seconds > 0) || seconds > 1e6)
        return std::nullopt;
    if (seconds < 1.0) {
        // Cameras pick their times as fractions of a second: 1/200, 1/60.
        const double denominator = 1.0 / seconds;
        const double nearest = std::round(denominator);
        if (std::fabs(denominator - nearest) <= nearest * 0.02)
            return "1/" + shortNumber(nearest) + " s";
    }
    return shortNumber(seconds) + " s";
}

std::optional<std::string> shotTime(std::string_view raw)
{
    static constexpr const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                              "July",    "August",   "September", "October", "November", "December"};
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    const std::string text(raw.substr(0, 19));
    if (std::sscanf(text.c_str(), "%4d:%2d:%2d %2d:%2d", &year, &month, &day, &hour, &minute) != 5)
        return std::nullopt;
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || hour < 0 ||
        minute < 0)
        return std::nullopt;
    char result[64];
    std::snprintf(result, sizeof result, "%d %s %d, %02d:%02d", day, kMonths[month - 1], year, hour, minute);
    return result;
}

constexpr std::string_view kDisplayTags[] = {"ExposureTime", "FNumber", "FocalLength", "ExposureBiasValue",
                                             "DateTimeOriginal", "DateTime", "DateTimeDigitized"};

}  // namespace

std::span<const std::string_view> exifDisplayTags()
{
    return kDisplayTags;
}

std::optional<std::string> exifDisplayText(std::string_view tagName, std::string_view raw)
{
    if (tagName == "DateTimeOriginal" || tagName == "DateTime" || tagName == "DateTimeDigitized")
        return shotTime(raw);
    const std::optional<double> value = readRational(raw);
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    if (tagName == "ExposureTime")
        return exposureTime(*value);
    if (tagName == "FNumber" && *value > 0)
        return "f/" + shortNumber(*value);
    if (tagName == "FocalLength" && *value > 0)
        return shortNumber(*value) + " mm";
    if (tagName == "ExposureBiasValue")
        return (*value > 0 ? "+" : "") + shortNumber(*value) + " EV";
    return std::nullopt;
}

}  // namespace quorvane
