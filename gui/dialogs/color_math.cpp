#include "gui/dialogs/color_math.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "script/script_text.h"

namespace quorvane::gui {

namespace {

int scaled(int component, float luminosity)
{
    return static_cast<int>(static_cast<float>(component) * luminosity);
}

int limited(int component)
{
    return std::min(component, 255);
}

}  // namespace

int colorAt(int x, int y, int width, int height, float luminosity)
{
    const int gradientWidth = width - kColorStripWidth;
    const double rows = height;
    int red;
    int green;
    int blue;
    if (x < gradientWidth) {
        red = static_cast<int>(256.0 * y / rows);
        green = static_cast<int>(256.0 * x / gradientWidth);
        blue = static_cast<int>(256.0 * (height - y) / rows);
    } else {
        const int k = x - gradientWidth;
        const double fade = std::pow(static_cast<double>(1.0f - 0.05f * static_cast<float>(k)),
                                     static_cast<double>(0.2f));
        red = static_cast<int>(256.0 * fade * y / rows);
        green = 255;
        blue = static_cast<int>(256.0 * fade * (height - y) / rows);
    }
    red = limited(scaled(red, luminosity));
    green = limited(scaled(green, luminosity));
    blue = limited(scaled(blue, luminosity));
    return red * 65536 + green * 256 + blue;
}

RgbComponents litComponents(int color, float luminosity)
{
    return {limited(scaled((color >> kRedShift) & 0xFF, luminosity)),
            limited(scaled((color >> kGreenShift) & 0xFF, luminosity)),
            limited(scaled((color >> kBlueShift) & 0xFF, luminosity))};
}

int packColor(const RgbComponents& components)
{
    return components.red * 65536 + components.green * 256 + components.blue;
}

float luminosityAt(int sliderPosition)
{
    float x = static_cast<float>(sliderPosition) * -0.01f;
    // The bottom position would give −0, shown as "x-0.00".
    if (x == 0.0f)
        x = 0.0f;
    return x <= 1.0f ? x : x * x * x;
}

std::string luminosityLabel(float luminosity)
{
    char text[32];
    std::snprintf(text, sizeof text, "x%.2f", static_cast<double>(luminosity));
    return text;
}

int replaceComponent(int color, int shift, std::string_view typed)
{
    std::uint64_t value = 0;
    bool number = !typed.empty();
    for (char c : typed) {
        if (!isDigit(c) || value > UINT32_MAX) {
            number = false;
            break;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > UINT32_MAX)
        number = false;
    const int component = number ? static_cast<int>(value % 256) : 0;
    return (color & ~(0xFF << shift)) | (component << shift);
}

}  // namespace quorvane::gui
