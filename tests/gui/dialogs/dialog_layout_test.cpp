#include "gui/dialogs/dialog_layout.h"

#include <gtest/gtest.h>

namespace quorvane::gui {
namespace {

constexpr LayoutRect kText{11, 11, 487, 275};
constexpr LayoutRect kButton{211, 283, 286, 306};
constexpr LayoutRect kLabel{20, 290, 80, 300};

DialogLayout textDialogLayout()
{
    DialogLayout layout(498, 317, {kText, kButton, kLabel});
    layout.setAnchors(0, EdgeAnchor::Near, EdgeAnchor::Near, EdgeAnchor::Far, EdgeAnchor::Far);
    layout.setAnchors(1, EdgeAnchor::Far, EdgeAnchor::Proportional, EdgeAnchor::Proportional,
                      EdgeAnchor::Far);
    return layout;
}

TEST(DialogLayout, EnlargingStretchesTheTextAndMovesTheButton)
{
    DialogLayout layout = textDialogLayout();
    const auto places = layout.apply(598, 417);
    ASSERT_TRUE(places);
    ASSERT_EQ(places->size(), 3u);
    EXPECT_EQ((*places)[0], (LayoutRect{11, 11, 587, 375}));
    // Down by 100; across, each edge keeps its fraction: 211 / 498 · 598 = 253.4.
    EXPECT_EQ((*places)[1], (LayoutRect{253, 383, 343, 406}));
    // Unanchored controls stay where they were.
    EXPECT_EQ((*places)[2], kLabel);
}

TEST(DialogLayout, NeverSmallerThanTheOpeningSize)
{
    DialogLayout layout = textDialogLayout();
    EXPECT_EQ(layout.minWidth(), 498);
    EXPECT_EQ(layout.minHeight(), 317);
    const auto shrunk = layout.apply(300, 200);
    ASSERT_TRUE(shrunk);
    EXPECT_EQ((*shrunk)[0], kText);
    EXPECT_EQ((*shrunk)[1], kButton);
    // Narrower only: the height still follows.
    const auto narrow = layout.apply(100, 367);
    ASSERT_TRUE(narrow);
    EXPECT_EQ((*narrow)[0], (LayoutRect{11, 11, 487, 325}));
}

TEST(DialogLayout, RepeatedSizeIsLaidOutOnceMoreThenNoLonger)
{
    DialogLayout layout = textDialogLayout();
    EXPECT_TRUE(layout.apply(498, 317));
    EXPECT_TRUE(layout.apply(498, 317));
    EXPECT_FALSE(layout.apply(498, 317));
    EXPECT_FALSE(layout.apply(400, 300));
    EXPECT_TRUE(layout.apply(520, 317));
}

TEST(DialogLayout, AnchorsOfAnUnknownControlChangeNothing)
{
    DialogLayout layout(200, 100, {{10, 10, 20, 20}});
    layout.setAnchors(5, EdgeAnchor::Far, EdgeAnchor::Far, EdgeAnchor::Far, EdgeAnchor::Far);
    const auto places = layout.apply(300, 200);
    ASSERT_TRUE(places);
    EXPECT_EQ((*places)[0], (LayoutRect{10, 10, 20, 20}));
}

}  // namespace
}  // namespace quorvane::gui
