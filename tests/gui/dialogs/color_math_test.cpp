#include "gui/dialogs/color_math.h"

#include <gtest/gtest.h>

namespace quorvane::gui {
namespace {

constexpr int kWidth = 276;
constexpr int kHeight = 256;

int blue(int color)
{
    return color & 0xFF;
}

TEST(ColorAt, CornersOfTheGradientRunFromBlueToRedAndGreen)
{
    EXPECT_EQ(colorAt(0, 0, kWidth, kHeight), 0x0000FF);
    EXPECT_EQ(colorAt(0, kHeight - 1, kWidth, kHeight), 0xFF0001);
    // Last gradient column: green 256 · 255 / 256.
    EXPECT_EQ(colorAt(kWidth - 21, 0, kWidth, kHeight), 0x00FFFF);
    EXPECT_EQ(colorAt(kWidth - 21, kHeight - 1, kWidth, kHeight), 0xFFFF01);
    // Green divides by the gradient's width, red and blue by the height.
    EXPECT_EQ(colorAt(50, 32, 220, 128), 0x4040C0);
}

TEST(ColorAt, StripFadesRedAndBlueWhileGreenStaysFull)
{
    // First strip column: (1 − 0)^0.2 = 1.
    EXPECT_EQ(colorAt(kWidth - 20, 0, kWidth, kHeight), 0x00FFFF);
    EXPECT_EQ(colorAt(kWidth - 20, 128, kWidth, kHeight), 0x80FF80);
    // Last column: (1 − 0.95)^0.2 ≈ 0.5493; 256 · 0.5493 · 128 / 256 = 70.3.
    EXPECT_EQ(colorAt(kWidth - 1, 0, kWidth, kHeight), 0x00FF8C);
    EXPECT_EQ(colorAt(kWidth - 1, 128, kWidth, kHeight), 0x46FF46);
    int previous = 256;
    for (int x = kWidth - 20; x < kWidth; ++x) {
        const int fade = blue(colorAt(x, 128, kWidth, kHeight));
        EXPECT_LT(fade, previous) << "column " << x;
        previous = fade;
    }
}

TEST(ColorAt, LuminosityScalesAndNoComponentPassesFull)
{
    EXPECT_EQ(colorAt(0, 128, kWidth, kHeight, 0.5f), 0x400040);
    EXPECT_EQ(colorAt(0, 128, kWidth, kHeight, 0.0f), 0x000000);
    for (float luminosity : {1.0f, 2.0f, 8.0f}) {
        for (int y = 0; y < kHeight; y += 5) {
            for (int x = 0; x < kWidth; x += 3) {
                // A red above 255 would spill out of the 24 bits.
                ASSERT_LE(colorAt(x, y, kWidth, kHeight, luminosity), 0xFFFFFF);
            }
        }
    }
    // Blue and green limited on their own, not carried into the next byte.
    EXPECT_EQ(colorAt(0, 0, kWidth, kHeight, 8.0f), 0x0000FF);
    EXPECT_EQ(colorAt(kWidth - 1, 128, kWidth, kHeight, 8.0f), 0xFFFFFF);
    EXPECT_EQ(colorAt(10, 1, kWidth, kHeight, 8.0f), 0x0850FF);
}

TEST(Luminosity, SliderEndsAndMiddle)
{
    EXPECT_EQ(luminosityLabel(luminosityAt(kLuminosityTop)), "x8.00");
    EXPECT_EQ(luminosityLabel(luminosityAt(kLuminosityMiddle)), "x1.00");
    EXPECT_EQ(luminosityLabel(luminosityAt(kLuminosityBottom)), "x0.00");
    EXPECT_EQ(luminosityLabel(luminosityAt(-50)), "x0.50");
    // Above the middle the slider cubes: 1.5³.
    EXPECT_FLOAT_EQ(luminosityAt(-150), 3.375f);
    EXPECT_FLOAT_EQ(luminosityAt(-101), 1.01f * 1.01f * 1.01f);
}

TEST(LitComponents, TruncatesAndLimitsEachComponent)
{
    EXPECT_EQ(packColor(litComponents(0x123456, 1.0f)), 0x123456);
    EXPECT_EQ(packColor(litComponents(0x123456, 8.0f)), 0x90FFFF);
    EXPECT_EQ(packColor(litComponents(0xFFFFFF, 0.0f)), 0x000000);
    const RgbComponents half = litComponents(0x656565, 0.5f);
    EXPECT_EQ(half.red, 50);
    EXPECT_EQ(half.green, 50);
    EXPECT_EQ(half.blue, 50);
}

TEST(ReplaceComponent, TypedNumbersAreTakenModulo256)
{
    EXPECT_EQ(replaceComponent(0xABCDEF, kRedShift, "256"), 0x00CDEF);
    EXPECT_EQ(replaceComponent(0xABCDEF, kRedShift, "300"), 0x2CCDEF);
    EXPECT_EQ(replaceComponent(0xABCDEF, kGreenShift, "18"), 0xAB12EF);
    EXPECT_EQ(replaceComponent(0xABCDEF, kBlueShift, "255"), 0xABCDFF);
    // What does not read as an unsigned 32-bit number counts as 0.
    EXPECT_EQ(replaceComponent(0xABCDEF, kBlueShift, ""), 0xABCD00);
    EXPECT_EQ(replaceComponent(0xABCDEF, kBlueShift, "4294967296"), 0xABCD00);
    EXPECT_EQ(replaceComponent(0xABCDEF, kBlueShift, "4294967295"), 0xABCDFF);
}

}  // namespace
}  // namespace quorvane::gui
