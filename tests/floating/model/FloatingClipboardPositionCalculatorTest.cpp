#include <gtest/gtest.h>

#include "floating/model/FloatingClipboardPositionCalculator.h"
#include "platform/memory/InMemoryScreenProvider.h"

namespace quorvane {
namespace {

using Calculator = FloatingClipboardPositionCalculator;
constexpr ScreenSize kPanel{420, 360};
constexpr double kGap = 12;

// A 1440 x 900 primary screen with a 25-high bar along its top.
InMemoryScreenProvider laptop() {
    InMemoryScreenProvider screens;
    screens.addScreen({0, 0, 1440, 900}, {0, 25, 1440, 875});
    return screens;
}

TEST(FloatingClipboardPositionCalculatorTest, CaretPanelsOpenBelowTheCaretLineOrAboveWithoutRoom) {
    const auto screens = laptop();
    EXPECT_EQ(Calculator::panelOrigin(screens, ScreenRect{100, 100, 2, 16}, kPanel, kGap),
              (ScreenPoint{100, 128}));
    // Too far right and too low: moved in from the right edge and opened above the caret.
    EXPECT_EQ(Calculator::panelOrigin(screens, ScreenRect{1300, 800, 2, 16}, kPanel, kGap),
              (ScreenPoint{1008, 428}));
}

TEST(FloatingClipboardPositionCalculatorTest, CaretPanelsStayAGapInsideEveryEdgeOfTheScreen) {
    const auto screens = laptop();
    // Left: a caret just left of the screen.
    EXPECT_EQ(Calculator::panelOrigin(screens, ScreenRect{-5, 100, 2, 16}, kPanel, kGap),
              (ScreenPoint{12, 128}));

    InMemoryScreenProvider shortScreen;
    shortScreen.addScreen({0, 0, 1440, 500}, {0, 0, 1440, 500});
    // Top: above the caret there is no room either.
    EXPECT_EQ(Calculator::panelOrigin(shortScreen, ScreenRect{100, 300, 2, 16}, kPanel, kGap),
              (ScreenPoint{100, 12}));
    InMemoryScreenProvider slightlyShorter;
    slightlyShorter.addScreen({0, 0, 1440, 495}, {0, 0, 1440, 495});
    // Bottom: room below, but not for the gap under the panel as well.
    EXPECT_EQ(Calculator::panelOrigin(slightlyShorter, ScreenRect{100, 100, 2, 16}, kPanel, kGap),
              (ScreenPoint{100, 123}));
    // A panel taller than the screen keeps its top edge on it.
    EXPECT_EQ(Calculator::panelOrigin(shortScreen, ScreenRect{100, 100, 2, 16}, ScreenSize{420, 600}, kGap),
              (ScreenPoint{100, 12}));
}

TEST(FloatingClipboardPositionCalculatorTest, CaretPanelsOnOtherScreensMeasureAgainstThatScreen) {
    InMemoryScreenProvider screens = laptop();
    // Taller and starting higher than the primary screen, to its right; another one to its left.
    screens.addScreen({1440, -180, 1920, 1080}, {1440, -180, 1920, 1080});
    screens.addScreen({-1280, 0, 1280, 720}, {-1280, 0, 1280, 720});

    EXPECT_EQ(Calculator::panelOrigin(screens, ScreenRect{2000, 850, 2, 16}, kPanel, kGap),
              (ScreenPoint{2000, 478}));
    EXPECT_EQ(Calculator::panelOrigin(screens, ScreenRect{2000, -150, 2, 16}, kPanel, kGap),
              (ScreenPoint{2000, -122}));
    EXPECT_EQ(Calculator::panelOrigin(screens, ScreenRect{3300, 400, 2, 16}, kPanel, kGap),
              (ScreenPoint{2928, 428}));
    EXPECT_EQ(Calculator::panelOrigin(screens, ScreenRect{-1270, 700, 2, 16}, kPanel, kGap),
              (ScreenPoint{-1270, 328}));
    EXPECT_EQ(Calculator::panelOrigin(screens, ScreenRect{-50, 100, 2, 16}, kPanel, kGap),
              (ScreenPoint{-432, 128}));
}

TEST(FloatingClipboardPositionCalculatorTest, ScreenLookupFallsBackToTheKeyWindowThenPrimaryThenFirst) {
    InMemoryScreenProvider screens = laptop();
    screens.addScreen({1440, 0, 1920, 1080}, {1440, 0, 1920, 1080});
    EXPECT_EQ(Calculator::screen(screens, {2000, 500})->frame, (ScreenRect{1440, 0, 1920, 1080}));
    EXPECT_EQ(Calculator::screen(screens, {9000, 9000})->frame, (ScreenRect{0, 0, 1440, 900}));
    screens.setKeyWindowScreen(ScreenDescription{{1440, 0, 1920, 1080}, {1440, 0, 1920, 1080}});
    EXPECT_EQ(Calculator::screen(screens, {9000, 9000})->frame, (ScreenRect{1440, 0, 1920, 1080}));
    // A caret off every screen is placed on the key window's screen.
    EXPECT_EQ(Calculator::panelOrigin(screens, ScreenRect{9000, 9000, 2, 16}, kPanel, kGap),
              (ScreenPoint{2928, 708}));

    InMemoryScreenProvider none;
    EXPECT_FALSE(Calculator::screen(none, {0, 0}).has_value());
    // With no screen at all the caret's mid point is placed like the pointer, in an empty area.
    EXPECT_EQ(Calculator::panelOrigin(none, ScreenRect{100, 100, 2, 16}, kPanel, kGap),
              (ScreenPoint{-420, 0}));
}

TEST(FloatingClipboardPositionCalculatorTest, MousePanelsOpenCentredBelowThePointerOrAbove) {
    const auto screens = laptop();
    // Near the bottom: above the pointer.
    EXPECT_EQ(Calculator::panelOrigin(screens, ScreenPoint{700, 850}, kPanel, kGap), (ScreenPoint{490, 478}));
    EXPECT_EQ(Calculator::panelOrigin(screens, ScreenPoint{700, 400}, kPanel, kGap), (ScreenPoint{490, 412}));
}

TEST(FloatingClipboardPositionCalculatorTest, MousePanelsStayInsideTheWorkArea) {
    const auto screens = laptop();
    EXPECT_EQ(Calculator::panelOrigin(screens, ScreenPoint{5, 400}, kPanel, kGap), (ScreenPoint{0, 412}));
    EXPECT_EQ(Calculator::panelOrigin(screens, ScreenPoint{1430, 400}, kPanel, kGap),
              (ScreenPoint{1020, 412}));
    // In the bar along the top: moved down to the work area.
    EXPECT_EQ(Calculator::panelOrigin(screens, ScreenPoint{700, 10}, kPanel, kGap), (ScreenPoint{490, 25}));
    // Larger than the work area: flush with its top and right edges.
    EXPECT_EQ(Calculator::panelOrigin(screens, ScreenPoint{700, 400}, ScreenSize{2000, 1000}, kGap),
              (ScreenPoint{-560, 25}));

    InMemoryScreenProvider two = laptop();
    two.addScreen({1440, -180, 1920, 1080}, {1440, -150, 1920, 1050});
    EXPECT_EQ(Calculator::panelOrigin(two, ScreenPoint{2000, -170}, kPanel, kGap), (ScreenPoint{1790, -150}));
}

}  // namespace
}  // namespace quorvane
