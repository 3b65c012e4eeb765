#include <gtest/gtest.h>

#include "base/Logger.h"
#include "floating/model/CaretGeometry.h"
#include "platform/memory/InMemoryScreenProvider.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

// A 1440 x 900 primary screen with a 25-point bar along its top edge.
InMemoryScreenProvider laptopScreen() {
    InMemoryScreenProvider screens;
    screens.addScreen({0, 0, 1440, 900}, {0, 25, 1440, 875});
    return screens;
}

TEST(CaretGeometryTest, DegenerateRectanglesAreTheOriginAndFarAboveEveryScreen) {
    EXPECT_FALSE(CaretGeometry::isDegenerateRect({0, 5, 2, 16}));
    EXPECT_TRUE(CaretGeometry::isDegenerateRect({0, 0, 2, 16}));
    EXPECT_TRUE(CaretGeometry::isDegenerateRect({0, 40, 0, 0}));
    EXPECT_FALSE(CaretGeometry::isDegenerateRect({3, 0, 0, 0}));
    EXPECT_TRUE(CaretGeometry::isDegenerateRect({300, -10001, 2, 16}));
    EXPECT_FALSE(CaretGeometry::isDegenerateRect({300, -10000, 2, 16}));
}

TEST(CaretGeometryTest, RectanglesOnTheScreenStayAndMirroredOnesAreTurnedBack) {
    const auto screens = laptopScreen();
    const CaretGeometry geometry(screens);

    EXPECT_EQ(geometry.screenPlausibilityScore({100, 100, 2, 16}), 120);
    EXPECT_EQ(geometry.screenPlausibilityScore({100, 784, 2, 16}), 120);
    EXPECT_EQ(geometry.convertToScreenCoordinates({100, 100, 2, 16}), (ScreenRect{100, 100, 2, 16}));

    // Just above the screen: its mirror lies on it as well, and wins by its non-negative y.
    EXPECT_EQ(geometry.screenPlausibilityScore({100, -50, 2, 16}), 115);
    EXPECT_EQ(geometry.convertToScreenCoordinates({100, -50, 2, 16}), (ScreenRect{100, 934, 2, 16}));

    // Just past the screen's bottom margin: only the mirror's corner is on it.
    EXPECT_EQ(geometry.convertToScreenCoordinates({300, 1000, 2, 16}), (ScreenRect{300, -116, 2, 16}));
    // Far off: neither form is on the screen, and the raw one keeps its non-negative y.
    EXPECT_EQ(geometry.convertToScreenCoordinates({300, 1500, 2, 16}), (ScreenRect{300, 1500, 2, 16}));
    // A negative size is standardised before anything else.
    EXPECT_EQ(geometry.convertToScreenCoordinates({100, 116, 2, -16}), (ScreenRect{100, 100, 2, 16}));
}

TEST(CaretGeometryTest, EqualScoresWithBothYNegativeKeepTheRawRectangle) {
    // Tall enough that both forms reach above the screen's margin and score the same.
    InMemoryScreenProvider screens;
    screens.addScreen({0, 0, 100, 100}, {0, 0, 100, 100});
    const CaretGeometry geometry(screens);
    const ScreenRect raw{5000, -500, 2, 1000};
    EXPECT_LT(CaretGeometry::flipped(raw, 0, 100).y, 0);
    EXPECT_EQ(geometry.convertToScreenCoordinates(raw), raw);
}

TEST(CaretGeometryTest, MirrorFollowsAPrimaryScreenThatDoesNotStartAtTheTop) {
    // Mirrored about y = 600, the centre line of a primary screen from 200 to 1000.
    EXPECT_EQ(CaretGeometry::flipped({10, 250, 2, 16}, 200, 800), (ScreenRect{10, 934, 2, 16}));
    EXPECT_EQ(CaretGeometry::flipped({10, 100, 2, 16}, 0, 900), (ScreenRect{10, 784, 2, 16}));
}

TEST(CaretGeometryTest, WithoutAPrimaryScreenNothingIsConvertedAndAWarningIsLogged) {
    InMemoryScreenProvider screens;
    const CaretGeometry geometry(screens);
    testing::LogCapture log;
    EXPECT_EQ(geometry.convertToScreenCoordinates({100, -50, 2, 16}), (ScreenRect{100, -50, 2, 16}));
    EXPECT_TRUE(log.contains("WARNING", "⚠️ 无法获取主屏幕，跳过坐标转换"));
}

TEST(CaretGeometryTest, PlausibleCaretsAreEightToSixtyHighAndNearAScreen) {
    const auto screens = laptopScreen();
    const CaretGeometry geometry(screens);
    EXPECT_FALSE(geometry.isPlausibleCaretRect({100, 100, 2, 7}));
    EXPECT_TRUE(geometry.isPlausibleCaretRect({100, 100, 2, 8}));
    EXPECT_TRUE(geometry.isPlausibleCaretRect({100, 100, 2, 60}));
    EXPECT_FALSE(geometry.isPlausibleCaretRect({100, 100, 2, 61}));
    EXPECT_TRUE(geometry.isPlausibleCaretRect({1530, 990, 2, 16}));
    EXPECT_FALSE(geometry.isPlausibleCaretRect({1545, 100, 2, 16}));
    EXPECT_FALSE(geometry.isPlausibleCaretRect({100, 1010, 2, 16}));

    InMemoryScreenProvider none;
    EXPECT_TRUE(CaretGeometry(none).isPlausibleCaretRect({-9000, -9000, 2, 16}));
    EXPECT_FALSE(CaretGeometry(none).isPlausibleCaretRect({0, 0, 2, 70}));
}

TEST(CaretGeometryTest, ValidCaretsAreFiveToTwoHundredHighWithTheirOriginNearAScreen) {
    const auto screens = laptopScreen();
    const CaretGeometry geometry(screens);
    testing::LogCapture log;
    EXPECT_FALSE(geometry.isValidCaretRect({100, 100, 2, 4}));
    EXPECT_TRUE(geometry.isValidCaretRect({100, 100, 2, 5}));
    EXPECT_TRUE(geometry.isValidCaretRect({100, 100, 2, 200}));
    EXPECT_FALSE(geometry.isValidCaretRect({100, 100, 2, 201}));
    EXPECT_FALSE(geometry.isValidCaretRect({100, 100, -1, 16}));
    EXPECT_FALSE(geometry.isValidCaretRect({std::nan(""), 100, 2, 16}));
    EXPECT_FALSE(geometry.isValidCaretRect({2000, 100, 2, 16}));
    if (Logger::debugLinesEnabled) {
        EXPECT_TRUE(log.contains("DEBUG", "   ❌ 矩形高度不合理(4.0): (100.0, 100.0, 2.0, 4.0)"));
        EXPECT_TRUE(log.contains("DEBUG", "   ❌ 矩形宽高为负: "));
        EXPECT_TRUE(log.contains("DEBUG", "   ❌ 矩形坐标非有限值: "));
        EXPECT_TRUE(log.contains("DEBUG", "   ❌ 矩形不在任何屏幕范围内: (2000.0, 100.0, 2.0, 16.0)"));
    }
}

TEST(CaretGeometryTest, SearchFieldCaretsInTheUpperHalfAreMirroredOnTheirScreen) {
    InMemoryScreenProvider screens;
    screens.addScreen({0, 0, 1440, 900}, {0, 25, 1440, 875});
    screens.addScreen({1440, -180, 1920, 1080}, {1440, -180, 1920, 1080});
    const CaretGeometry geometry(screens);
    const ScreenRect field{200, 300, 240, 24};

    EXPECT_EQ(geometry.adjustSearchFieldRect({225, 304, 2, 16}, "AXTextField", field),
              (ScreenRect{225, 580, 2, 16}));
    EXPECT_EQ(geometry.adjustSearchFieldRect({225, 604, 2, 16}, "AXSearchField", field),
              (ScreenRect{225, 604, 2, 16}));
    // On the second screen: above its centre (y = 360), so y becomes -180 + 1080 - 0 - 16.
    EXPECT_EQ(geometry.adjustSearchFieldRect({1600, 0, 2, 16}, "AXComboBox", {1500, -10, 300, 30}),
              (ScreenRect{1600, 884, 2, 16}));
    // Text areas only when shaped like a field.
    EXPECT_EQ(geometry.adjustSearchFieldRect({225, 304, 2, 16}, "AXTextArea", {200, 300, 240, 64}),
              (ScreenRect{225, 580, 2, 16}));
    EXPECT_EQ(geometry.adjustSearchFieldRect({225, 304, 2, 16}, "AXTextArea", {200, 300, 240, 65}),
              (ScreenRect{225, 304, 2, 16}));
    EXPECT_EQ(geometry.adjustSearchFieldRect({225, 304, 2, 16}, "AXTextView", {200, 300, 119, 24}),
              (ScreenRect{225, 304, 2, 16}));
    EXPECT_EQ(geometry.adjustSearchFieldRect({225, 304, 2, 16}, "AXWebArea", field),
              (ScreenRect{225, 304, 2, 16}));

    InMemoryScreenProvider none;
    EXPECT_EQ(CaretGeometry(none).adjustSearchFieldRect({225, 304, 2, 16}, "AXTextField", field),
              (ScreenRect{225, 304, 2, 16}));
}

TEST(CaretGeometryTest, SearchFieldOffEveryScreenUsesAnIntersectingScreenThenThePrimary) {
    InMemoryScreenProvider screens;
    screens.addScreen({0, 0, 1000, 800}, {0, 0, 1000, 800});
    screens.addScreen({1000, 0, 1000, 400}, {1000, 0, 1000, 400});
    const CaretGeometry geometry(screens);
    // No point lies on a screen, but the field reaches into the second one: that screen is used.
    EXPECT_EQ(geometry.adjustSearchFieldRect({2100, 10, 2, 16}, "AXTextField", {1990, -10, 200, 20}),
              (ScreenRect{2100, 374, 2, 16}));
    // Nowhere near any screen: the primary one's centre line.
    EXPECT_EQ(geometry.adjustSearchFieldRect({5000, 10, 2, 16}, "AXTextField", {4900, 0, 200, 30}),
              (ScreenRect{5000, 774, 2, 16}));
}

}  // namespace
}  // namespace quorvane
