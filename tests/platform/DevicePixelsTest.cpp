#include <gtest/gtest.h>

#include "platform/DevicePixels.h"

namespace quorvane {
namespace {

ScreenDescription screen(ScreenRect frame, double ratio) {
    return {frame, frame, ratio};
}

TEST(DevicePixelsTest, AtTwiceTheScaleARectangleHalvesAboutThePrimaryScreensCorner) {
    const std::vector<ScreenDescription> screens{screen({0, 0, 640, 512}, 2)};
    EXPECT_EQ(deviceIndependentRect({417, 301, 2, 19}, screens), (ScreenRect{208.5, 150.5, 1, 9.5}));
    EXPECT_EQ(devicePixelFrame(screens[0]), (ScreenRect{0, 0, 1280, 1024}));
    // Past the scaled frame but inside the server's pixels: still that screen's, not left as it came.
    EXPECT_EQ(deviceIndependentRect({1200, 1000, 2, 16}, screens), (ScreenRect{600, 500, 1, 8}));
}

TEST(DevicePixelsTest, EachScreenScalesAboutItsOwnCorner) {
    // A scaled primary screen, and an unscaled one to its right, whose corner Qt keeps at the server's 1280.
    const std::vector<ScreenDescription> screens{screen({0, 0, 640, 512}, 2),
                                                 screen({1280, 0, 1920, 1080}, 1)};
    EXPECT_EQ(deviceIndependentRect({417, 301, 2, 19}, screens), (ScreenRect{208.5, 150.5, 1, 9.5}));
    EXPECT_EQ(deviceIndependentRect({2000, 100, 2, 16}, screens), (ScreenRect{2000, 100, 2, 16}));
    // A scaled screen to the right of an unscaled primary one.
    const std::vector<ScreenDescription> mixed{screen({0, 0, 1280, 1024}, 1), screen({1280, 0, 960, 540}, 2)};
    EXPECT_EQ(deviceIndependentRect({2000, 100, 4, 32}, mixed), (ScreenRect{1640, 50, 2, 16}));
    // On no screen: the primary one's scale.
    EXPECT_EQ(deviceIndependentRect({-500, -500, 2, 16}, screens), (ScreenRect{-250, -250, 1, 8}));
}

TEST(DevicePixelsTest, WithoutScreensOrWithANonsenseRatioNothingChanges) {
    EXPECT_EQ(deviceIndependentRect({417, 301, 2, 19}, {}), (ScreenRect{417, 301, 2, 19}));
    const std::vector<ScreenDescription> broken{screen({0, 0, 1280, 1024}, 0)};
    EXPECT_EQ(deviceIndependentRect({417, 301, 2, 19}, broken), (ScreenRect{417, 301, 2, 19}));
}

}  // namespace
}  // namespace quorvane
