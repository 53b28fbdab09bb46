#pragma once

#include <string>
#include <string_view>

namespace quorvane::gui {

// The colour editor's field: a W × H gradient whose rightmost columns form a
// strip in which red and blue fade out while green stays full.
inline constexpr int kColorStripWidth = 20;

struct RgbComponents {
    int red = 0;
    int green = 0;
    int blue = 0;
};

// The colour 0xRRGGBB of field point (x, y) of a width × height field, each
// component scaled by luminosity and limited to 255.
int colorAt(int x, int y, int width, int height, float luminosity = 1.0f);

// The components of color (0xRRGGBB) scaled by luminosity, truncated toward
// zero and limited to 255: what the swatch shows and OK stores.
RgbComponents litComponents(int color, float luminosity);
int packColor(const RgbComponents& components);

// The luminosity slider runs from −200 (top) to 0 (bottom): linear from 0 to
// 1 over its lower half, cubed above 1 up to 8 at the top.
inline constexpr int kLuminosityTop = -200;
inline constexpr int kLuminosityBottom = 0;
inline constexpr int kLuminosityMiddle = -100;
float luminosityAt(int sliderPosition);
// "x%.2f": "x1.00" in the middle.
std::string luminosityLabel(float luminosity);

// Bit positions of the three components in 0xRRGGBB.
inline constexpr int kRedShift = 16;
inline constexpr int kGreenShift = 8;
inline constexpr int kBlueShift = 0;

// A typed component replaces one byte of color: the text read as an unsigned
// number (0 when it is not one), taken modulo 256.
int replaceComponent(int color, int shift, std::string_view typed);

}  // namespace quorvane::gui
