#include <gtest/gtest.h>

#include "floating/model/FloatingClipboardPreviewPlacement.h"

namespace quorvane {
namespace {

using Calculator = FloatingClipboardPreviewPlacementCalculator;
using Side = FloatingClipboardPreviewArrowSide;

const ScreenRect kScreen{0, 0, 1920, 1080};

TEST(FloatingClipboardPreviewPlacementTest, RightSideWinsWhenItHasTheLeastFreeWidth) {
    // Right space = 1920 - (panel max x + 4) - 8 = exactly 320.
    const ScreenRect panel{1920 - 332 - 420, 300, 420, 360};
    const ScreenRect row{panel.x, 400, 420, 40};
    const auto right = Calculator::placement(kScreen, row, panel, 420, 280);
    ASSERT_TRUE(right.has_value());
    EXPECT_EQ(right->arrowSide, Side::leading);
    EXPECT_EQ(right->frame, (ScreenRect{panel.maxX() + 4, 420 - 140, 320, 280}))
        << "width capped at free width";
    EXPECT_EQ(right->arrowCenterY, 140);

    // Half a point less on the right, room on the left: the bubble stands left, its arrow on the right.
    const ScreenRect shifted{panel.x + 0.5, 300, 420, 360};
    const auto left = Calculator::placement(kScreen, row, shifted, 360, 100);
    ASSERT_TRUE(left.has_value());
    EXPECT_EQ(left->arrowSide, Side::trailing);
    EXPECT_EQ(left->frame.x, shifted.minX() - 4 - 360);
    EXPECT_EQ(left->frame.width, 360);

    const ScreenRect narrow{0, 0, 1000, 800};
    EXPECT_FALSE(Calculator::placement(narrow, row, ScreenRect{300, 100, 420, 360}, 420, 280).has_value());
    EXPECT_FALSE(Calculator::placement(ScreenRect{0, 0, 0, 800}, row, panel, 420, 280).has_value());
}

TEST(FloatingClipboardPreviewPlacementTest, BubbleStaysInsideTheMarginsWithTheArrowClamped) {
    const ScreenRect panel{100, 10, 420, 360};
    const ScreenRect topRow{100, 12, 420, 20};
    const auto top = Calculator::placement(kScreen, topRow, panel, 420, 280);
    ASSERT_TRUE(top.has_value());
    EXPECT_EQ(top->frame.y, 23) << "23 below the work area's top";
    EXPECT_EQ(top->arrowCenterY, 30) << "the tip is clamped near the row's end of the bubble";

    const ScreenRect bottomRow{100, 1070, 420, 20};
    const auto bottom = Calculator::placement(kScreen, bottomRow, panel, 420, 280);
    ASSERT_TRUE(bottom.has_value());
    EXPECT_EQ(bottom->frame.maxY(), 1080 - 28);
    EXPECT_EQ(bottom->arrowCenterY, 280 - 30);

    // A short work area: at least 140 tall, and the bottom margin wins over the top one.
    const ScreenRect shortScreen{0, 0, 1920, 150};
    const auto squeezed = Calculator::placement(shortScreen, ScreenRect{100, 50, 420, 20}, panel, 420, 280);
    ASSERT_TRUE(squeezed.has_value());
    EXPECT_EQ(squeezed->frame.height, 140);
    EXPECT_EQ(squeezed->frame.maxY(), 150 - 28);
    const auto small = Calculator::placement(shortScreen, ScreenRect{100, 50, 420, 20}, panel, 420, 90);
    EXPECT_EQ(small->frame.height, 90) << "a smaller requested height is kept";
}

TEST(FloatingClipboardPreviewPlacementTest, HostLayoutIsTheUnionOfPanelAndShadowedBubble) {
    const ScreenRect panel{100, 200, 420, 360};
    const FloatingClipboardPreviewPlacement placement{{524, 150, 420, 280}, Side::leading, 100};
    const auto layout = Calculator::hostLayout(panel, placement);
    ASSERT_TRUE(layout.has_value());
    EXPECT_EQ(layout->windowFrame, (ScreenRect{100, 143, 524 + 428 - 100, 560 - 143}));
    EXPECT_EQ(layout->panelFrameInWindow, (ScreenRect{0, 57, 420, 360}));
    EXPECT_EQ(layout->bubbleFrameInWindow, (ScreenRect{416, 0, 436, 299}));
}

}  // namespace
}  // namespace quorvane
