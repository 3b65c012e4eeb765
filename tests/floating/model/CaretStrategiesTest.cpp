#include <gtest/gtest.h>

#include "base/Logger.h"
#include "floating/model/CaretStrategies.h"
#include "platform/memory/InMemoryAccessibleElementPort.h"
#include "platform/memory/InMemoryScreenProvider.h"
#include "platform/memory/InMemoryTextWidthMeasurer.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

using Attribute = InMemoryAccessibleElementPort::Attribute;

// One 1440 x 900 screen; every character is 7 wide.
class CaretStrategiesTest : public ::testing::Test {
protected:
    CaretStrategiesTest() : screens_({0, 0, 1440, 900}), geometry_(screens_) {}

    CaretStrategies strategies() { return CaretStrategies(port_, geometry_, screens_, measurer_); }
    AccessibleElement field(ScreenRect frame, std::string text) {
        const auto element = port_.addElement();
        port_.setFrame(element, frame);
        port_.setValue(element, std::move(text));
        return element;
    }
    AccessibleElement window(ScreenRect frame) {
        const auto element = port_.addElement();
        port_.setFrame(element, frame);
        return element;
    }

    InMemoryAccessibleElementPort port_;
    InMemoryScreenProvider screens_;
    InMemoryTextWidthMeasurer measurer_;
    CaretGeometry geometry_;
};

TEST_F(CaretStrategiesTest, RangeQueriesAskAtTheCaretOrTheSelectionEnd) {
    const auto element = port_.addElement();
    port_.setCaretBounds(element, 10, {300, 200, 0, 18});
    port_.setCaretBounds(element, 15, {335, 200, 0, 18});
    auto s = strategies();

    EXPECT_EQ(s.selectionEndRect(element, 10, 5), (ScreenRect{335, 200, 0, 18}));
    EXPECT_EQ(s.zeroRangeRect(element, 10), (ScreenRect{300, 200, 0, 18}));
    EXPECT_EQ(s.boundsForRangeRect(element, 10), (ScreenRect{300, 200, 0, 18}));
    EXPECT_EQ(port_.boundsQueries(), (std::vector<AccessibleTextRange>{{15, 0}, {10, 0}, {10, 0}}));

    EXPECT_EQ(s.selectionEndRect(element, 10, 0), std::nullopt);
    EXPECT_EQ(port_.boundsQueries().size(), 3u);
}

TEST_F(CaretStrategiesTest, BoundsForRangeFailureIsLoggedWithItsCode) {
    const auto element = port_.addElement();
    port_.setError(element, Attribute::boundsForRange, AccessibilityError::timedOut);
    testing::LogCapture log;
    EXPECT_EQ(strategies().boundsForRangeRect(element, 3), std::nullopt);
    if (Logger::debugLinesEnabled) {
        EXPECT_TRUE(log.contains("DEBUG", "   BoundsForRange 失败, error=5"));
    }
}

TEST_F(CaretStrategiesTest, VisibleRangeAsksAtTheLaterOfCaretAndVisibleStart) {
    const auto element = port_.addElement();
    port_.setVisibleCharacterRange(element, {40, 100});
    port_.setCaretBounds(element, 40, {10, 20, 0, 18});
    port_.setCaretBounds(element, 50, {80, 20, 0, 18});
    auto s = strategies();
    EXPECT_EQ(s.visibleRangeRect(element, 10), (ScreenRect{10, 20, 0, 18}));
    EXPECT_EQ(s.visibleRangeRect(element, 50), (ScreenRect{80, 20, 0, 18}));

    const auto unscrolled = port_.addElement();
    EXPECT_EQ(s.visibleRangeRect(unscrolled, 10), std::nullopt);
    EXPECT_EQ(port_.boundsQueries().size(), 2u);
}

TEST_F(CaretStrategiesTest, LineInfoMeasuresTheCaretsLineBelowTheElementsTop) {
    const auto element = field({100, 200, 400, 300}, "first\nsecond line\nthird");
    auto s = strategies();
    // After "first\nsec": second line, three characters in.
    EXPECT_EQ(s.lineInfoRect(element, 9), (ScreenRect{125, 220, 2, 16}));
    // At the start of the empty line after "ab\n".
    const auto blank = field({100, 200, 400, 300}, "ab\n\nc");
    EXPECT_EQ(s.lineInfoRect(blank, 3), (ScreenRect{104, 220, 2, 16}));
    EXPECT_EQ(s.lineInfoRect(blank, 4), (ScreenRect{104, 238, 2, 16}));
    EXPECT_EQ(measurer_.lastPointSize(), 13);
}

TEST_F(CaretStrategiesTest, LineInfoNeverReadsPastTheTextBeforeTheCaret) {
    // A flag is two code points but one character: the prefix stops one code point short of the caret.
    const auto element = field({100, 200, 400, 300}, "🇫🇷ab");
    EXPECT_EQ(strategies().lineInfoRect(element, 4), (ScreenRect{118, 202, 2, 16}));
    const auto beyond = field({100, 200, 400, 300}, "ab");
    EXPECT_EQ(strategies().lineInfoRect(beyond, 99), (ScreenRect{118, 202, 2, 16}));
}

TEST_F(CaretStrategiesTest, LineInfoRefusesEmptyTextAndEstimatesFarFromTheElementOrScreen) {
    auto s = strategies();
    EXPECT_EQ(s.lineInfoRect(field({100, 200, 400, 300}, ""), 0), std::nullopt);
    const auto noFrame = port_.addElement();
    port_.setValue(noFrame, "abc");
    EXPECT_EQ(s.lineInfoRect(noFrame, 3), std::nullopt);

    testing::LogCapture log;
    // Ten lines in a 20-high field: the tenth line lies 164 below its top.
    EXPECT_EQ(s.lineInfoRect(field({100, 200, 400, 20}, "1\n2\n3\n4\n5\n6\n7\n8\n9\n10"), 20), std::nullopt);
    // Below twice the screen's height.
    EXPECT_EQ(s.lineInfoRect(field({100, 1900, 400, 20}, "abc"), 3), std::nullopt);
    if (Logger::debugLinesEnabled) {
        EXPECT_TRUE(log.contains("DEBUG", "   策略5 LineInfo 估算坐标超出元素范围，返回 nil"));
        EXPECT_TRUE(log.contains("DEBUG", "   策略5 LineInfo 坐标超出屏幕范围，返回 nil"));
    }
}

TEST_F(CaretStrategiesTest, ElementAndWindowCentresASingleLineCaretAfterItsText) {
    const auto element = field({200, 300, 240, 24}, "abc");
    auto s = strategies();
    EXPECT_FALSE(s.searchFieldAdjustmentEnabled());
    EXPECT_EQ(s.elementAndWindowRect(element, 3, "AXTextField"), (ScreenRect{225, 304, 2, 16}));

    // With the adjustment on, the caret in the upper half is mirrored on its screen.
    s.setSearchFieldAdjustmentEnabled(true);
    EXPECT_EQ(s.elementAndWindowRect(element, 3, "AXTextField"), (ScreenRect{225, 580, 2, 16}));
}

TEST_F(CaretStrategiesTest, ElementAndWindowPutsTextAreaCaretsOnTheirLineAndBelowTheWindowTop) {
    const auto area = field({100, 100, 600, 400}, "one\ntwo");
    port_.setWindow(area, window({80, 60, 700, 600}));
    EXPECT_EQ(strategies().elementAndWindowRect(area, 7, "AXTextView"), (ScreenRect{125, 122, 2, 16}));

    // A field at the window's top edge is pushed below the title strip, and long text stops at its end.
    const auto top = field({10, 5, 300, 40}, std::string(100, 'x'));
    port_.setWindow(top, window({0, 0, 800, 600}));
    EXPECT_EQ(strategies().elementAndWindowRect(top, 100, "AXTextField"), (ScreenRect{308, 22, 2, 16}));

    // Without text the caret is at the start; without a frame there is nothing.
    const auto empty = port_.addElement();
    port_.setFrame(empty, {200, 300, 240, 24});
    EXPECT_EQ(strategies().elementAndWindowRect(empty, 0, "AXTextField"), (ScreenRect{204, 304, 2, 16}));
    EXPECT_EQ(strategies().elementAndWindowRect(port_.addElement(), 0, "AXTextField"), std::nullopt);
}

TEST_F(CaretStrategiesTest, TextMarkerRangeYieldsOnlyValidRectangles) {
    auto s = strategies();
    const auto element = port_.addElement();
    port_.setSelectedTextMarkerRange(element, {4, 4}, {300, 200, 2, 18});
    EXPECT_EQ(s.textMarkerRangeRect(element), (ScreenRect{300, 200, 2, 18}));

    const auto tall = port_.addElement();
    port_.setSelectedTextMarkerRange(tall, {0, 9}, {300, 200, 400, 250});
    EXPECT_EQ(s.textMarkerRangeRect(tall), std::nullopt);

    testing::LogCapture log;
    const auto none = port_.addElement();
    port_.setError(none, Attribute::selectedTextMarkerRange, AccessibilityError::success);
    EXPECT_EQ(s.textMarkerRangeRect(none), std::nullopt);
    const auto shapeless = port_.addElement();
    port_.setSelectedTextMarkerRange(shapeless, {1, 1}, {});
    port_.setError(shapeless, Attribute::boundsForTextMarkerRange, AccessibilityError::wrongType);
    EXPECT_EQ(s.textMarkerRangeRect(shapeless), std::nullopt);
    if (Logger::debugLinesEnabled) {
        EXPECT_TRUE(log.contains("DEBUG", "   [TextMarkerRange] 无法获取 SelectedTextMarkerRange (0)"));
        EXPECT_TRUE(log.contains("DEBUG", "   [TextMarkerRange] 无法提取矩形"));
    }
}

TEST_F(CaretStrategiesTest, LastLineFallbackSitsInsideTheElementsBottomEdge) {
    // Worked out bottom-up as 4 above the element's bottom, then turned top-down: 20 above its bottom edge,
    // inside the element rather than mirrored to the other half of the screen.
    const auto element = field({100, 200, 600, 400}, "");
    EXPECT_EQ(strategies().lastLineFallbackRect(element, 0), (ScreenRect{104, 580, 2, 16}));

    const auto typed = field({100, 200, 600, 400}, "first\nab");
    EXPECT_EQ(strategies().lastLineFallbackRect(typed, 8), (ScreenRect{118, 580, 2, 16}));
}

TEST_F(CaretStrategiesTest, LastLineFallbackUsesTheWindowForEditorsTallerThanTwoScreens) {
    const auto editor = field({100, 0, 600, 2000}, "");
    port_.setWindow(editor, window({50, 100, 800, 700}));
    // 50 below the window's top edge.
    EXPECT_EQ(strategies().lastLineFallbackRect(editor, 0), (ScreenRect{104, 134, 2, 16}));

    // Long text is kept 10 inside the window.
    const auto wide = field({100, 200, 600, 400}, std::string(200, 'x'));
    port_.setWindow(wide, window({50, 100, 800, 700}));
    EXPECT_EQ(strategies().lastLineFallbackRect(wide, 200), (ScreenRect{840, 580, 2, 16}));
}

TEST_F(CaretStrategiesTest, LastLineFallbackAssumesA1080HighScreenWithoutScreens) {
    screens_.removeAllScreens();
    const auto editor = field({100, 0, 600, 2000}, "");
    port_.setWindow(editor, window({50, 100, 800, 700}));
    // 2000 is not more than twice 1080: the element's own bottom counts.
    EXPECT_EQ(strategies().lastLineFallbackRect(editor, 0), (ScreenRect{104, 1980, 2, 16}));
}

TEST_F(CaretStrategiesTest, LastLineFallbackNeedsTheElementsFrame) {
    testing::LogCapture log;
    EXPECT_EQ(strategies().lastLineFallbackRect(port_.addElement(), 0), std::nullopt);
    const auto shapeless = port_.addElement();
    port_.setError(shapeless, Attribute::frame, AccessibilityError::wrongType);
    EXPECT_EQ(strategies().lastLineFallbackRect(shapeless, 0), std::nullopt);
    if (Logger::debugLinesEnabled) {
        EXPECT_TRUE(log.contains("DEBUG", "   [LastLineFallback] 无法获取元素 Frame"));
        EXPECT_TRUE(log.contains("DEBUG", "   [LastLineFallback] 无法解析元素 Frame"));
    }
}

TEST_F(CaretStrategiesTest, WindowInfoNeedsTheWindowAndItsFrame) {
    const auto element = port_.addElement();
    EXPECT_FALSE(strategies().windowInfo(element).has_value());
    const auto frameless = port_.addElement();
    port_.setWindow(element, frameless);
    EXPECT_FALSE(strategies().windowInfo(element).has_value());
    port_.setFrame(frameless, {0, 0, 500, 400});
    const auto info = strategies().windowInfo(element);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->frame, (ScreenRect{0, 0, 500, 400}));
    EXPECT_EQ(info->element, frameless);
}

}  // namespace
}  // namespace quorvane
