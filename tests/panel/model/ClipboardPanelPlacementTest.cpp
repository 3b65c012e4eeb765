#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "panel/model/ClipboardPanelPlacement.h"
#include "platform/memory/InMemoryScreenProvider.h"
#include "platform/memory/InMemoryUserDefaults.h"

namespace quorvane {
namespace {

using Placement = ClipboardPanelPlacement;

// A 1920 x 1080 screen with a 32-point top bar, and a second one to its right.
const ScreenDescription leftScreen{{0, 0, 1920, 1080}, {0, 32, 1920, 1048}};
const ScreenDescription rightScreen{{1920, 0, 1280, 1024}, {1920, 0, 1280, 1024}};
const ScreenSize panel{780, 460};

TEST(ClipboardPanelPlacementTest, FirstShowIsCentredWithItsCentreAThirdBelowTheTop) {
    const ScreenPoint origin = Placement::centredOrigin(panel, leftScreen.visibleFrame);
    EXPECT_DOUBLE_EQ(origin.x, 960 - 390);
    EXPECT_DOUBLE_EQ(origin.y + panel.height / 2, 32 + 1048.0 / 3);
}

TEST(ClipboardPanelPlacementTest, AWindowLargerThanTheWorkAreaEndsAtItsFarEdges) {
    const ScreenRect small{100, 50, 600, 400};
    const ScreenPoint origin = Placement::centredOrigin(panel, small);
    EXPECT_DOUBLE_EQ(origin.x, 700 - 780);
    EXPECT_DOUBLE_EQ(origin.y, 450 - 460);
}

TEST(ClipboardPanelPlacementTest, SideLengthsAreWholeDevicePixels) {
    EXPECT_EQ(Placement::panelSize(2), panel);
    const ScreenSize odd = Placement::panelSize(1.5);
    EXPECT_DOUBLE_EQ(odd.width * 1.5, std::floor(odd.width * 1.5));
    EXPECT_DOUBLE_EQ(odd.height * 1.5, std::floor(odd.height * 1.5));
    EXPECT_EQ(Placement::panelSize(0), panel) << "an unknown ratio keeps the plain size";
}

TEST(ClipboardPanelPlacementTest, ASavedOriginHalfOffTheScreenIsPulledInside) {
    const ScreenPoint restored = Placement::restoredOrigin({1500, -100}, panel, leftScreen.visibleFrame);
    EXPECT_EQ(restored, (ScreenPoint{1920 - 780, 32}));
}

TEST(ClipboardPanelPlacementTest, ASavedOriginOnAnotherScreenGivesWayToTheCentredOne) {
    const ScreenPoint saved{2200, 300};
    EXPECT_EQ(Placement::restoredOrigin(saved, panel, leftScreen.visibleFrame),
              Placement::centredOrigin(panel, leftScreen.visibleFrame));
    EXPECT_EQ(Placement::restoredOrigin(saved, panel, rightScreen.visibleFrame), saved);
}

TEST(ClipboardPanelPlacementTest, TheScreenUnderThePointerWinsThenFocusThenMain) {
    InMemoryScreenProvider screens;
    screens.addScreen(leftScreen.frame, leftScreen.visibleFrame);
    screens.addScreen(rightScreen.frame, rightScreen.visibleFrame);
    screens.setMouseLocation({2000, 500});
    EXPECT_EQ(Placement::chooseScreen(screens), rightScreen);

    screens.setMouseLocation({-50, -50});
    screens.setKeyWindowScreen(rightScreen);
    EXPECT_EQ(Placement::chooseScreen(screens), rightScreen);
    screens.setKeyWindowScreen(std::nullopt);
    EXPECT_EQ(Placement::chooseScreen(screens), leftScreen);

    screens.removeAllScreens();
    EXPECT_EQ(Placement::chooseScreen(screens), std::nullopt);
}

TEST(ClipboardPanelPlacementTest, SavedPositionRoundTripsAndBadValuesAreIgnored) {
    InMemoryUserDefaults defaults;
    EXPECT_EQ(Placement::savedPosition(defaults), std::nullopt);
    Placement::savePosition(defaults, {123.5, 456});
    EXPECT_EQ(Placement::savedPosition(defaults), (ScreenPoint{123.5, 456}));

    const auto store = [&](DefaultsValue value) {
        defaults.set(Placement::positionDefaultsKey, std::move(value));
        return Placement::savedPosition(defaults);
    };
    using Dictionary = DefaultsValue::Dictionary;
    EXPECT_EQ(store(DefaultsValue(Dictionary{{"x", DefaultsValue(std::int64_t{10})},
                                             {"y", DefaultsValue(std::int64_t{20})}})),
              (ScreenPoint{10, 20}))
        << "whole numbers count";
    EXPECT_EQ(store(DefaultsValue(std::string("10,20"))), std::nullopt);
    EXPECT_EQ(store(DefaultsValue(Dictionary{{"x", DefaultsValue(10.0)}})), std::nullopt);
    EXPECT_EQ(store(DefaultsValue(Dictionary{{"x", DefaultsValue(10.0)},
                                             {"y", DefaultsValue(20.0)},
                                             {"note", DefaultsValue(std::string("moved"))}})),
              std::nullopt)
        << "every value must be a number";
    EXPECT_EQ(store(DefaultsValue(Dictionary{{"x", DefaultsValue(std::numeric_limits<double>::quiet_NaN())},
                                             {"y", DefaultsValue(20.0)}})),
              std::nullopt);
}

}  // namespace
}  // namespace quorvane
