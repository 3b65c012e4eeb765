#include <gtest/gtest.h>

#include "base/Logger.h"
#include "floating/model/TextCaretPositionDetector.h"
#include "platform/memory/InMemoryAccessibleElementPort.h"
#include "platform/memory/InMemoryFrontmostApplicationProvider.h"
#include "platform/memory/InMemoryScreenProvider.h"
#include "platform/memory/InMemoryTextWidthMeasurer.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

using S = CaretDetectionStrategy;
using Attribute = InMemoryAccessibleElementPort::Attribute;

AppStrategyConfig configWith(std::vector<S> strategies, PanelOffsetMode mode = PanelOffsetMode::none,
                             PanelOffsetDirection direction = PanelOffsetDirection::down,
                             std::optional<double> customOffset = std::nullopt) {
    return {"org.example.Editor", "Editor", std::move(strategies), mode, direction, customOffset};
}

// One 1440 x 900 screen, characters 7 wide, and a focused text field.
class TextCaretPositionDetectorTest : public ::testing::Test {
protected:
    TextCaretPositionDetectorTest() : screens_({0, 0, 1440, 900}) {
        frontmost_.setFrontmostBundleIdentifier("org.example.Editor");
        field_ = port_.addElement();
        port_.setRole(field_, "AXTextField");
        port_.setFrame(field_, {200, 300, 240, 24});
        port_.setValue(field_, "abc");
        port_.setSelectedTextRange(field_, {3, 0});
        port_.setFocusedElement(field_);
    }

    TextCaretPositionDetector detector(AppStrategyTable table = {}) {
        return TextCaretPositionDetector({port_, frontmost_, screens_, measurer_},
                                         TextCaretPositionDetector::defaultEditableRoles(), std::move(table));
    }
    // A table that gives `config` to the program `id` (and the ids it is a prefix of).
    static AppStrategyTable tableWith(AppStrategyConfig config,
                                      const std::string& id = "org.example.Editor") {
        config.bundleIdentifier = id;
        return AppStrategyTable{{id, config}};
    }

    InMemoryAccessibleElementPort port_;
    InMemoryFrontmostApplicationProvider frontmost_;
    InMemoryScreenProvider screens_;
    InMemoryTextWidthMeasurer measurer_;
    AccessibleElement field_;
};

TEST_F(TextCaretPositionDetectorTest, ProgramsFindTheirRowByIdOrIdPrefixElseTheDefaults) {
    auto d = detector(builtInAppStrategyTable());
    frontmost_.setFrontmostBundleIdentifier("jetbrains-idea-ce");
    EXPECT_EQ(d.strategyConfigForFrontmostApp().displayName, "IntelliJ IDEA");
    frontmost_.setFrontmostBundleIdentifier("org.mozilla.firefox");
    EXPECT_EQ(d.strategyConfigForFrontmostApp().preferredStrategies.front(), S::textMarkerRange);

    frontmost_.setFrontmostBundleIdentifier("org.example.Unknown");
    const auto fallback = d.strategyConfigForFrontmostApp();
    EXPECT_EQ(fallback.displayName, "Default");
    EXPECT_EQ(fallback.preferredStrategies.size(), 8u);

    frontmost_.setFrontmostApplication(FrontmostApplication{std::nullopt, "", 42, {}});
    EXPECT_EQ(d.strategyConfigForFrontmostApp().bundleIdentifier, "*");
    EXPECT_EQ(d.currentAppInfo(), (TextCaretPositionDetector::AppInfo{"unknown", "Unknown"}));

    // No front program: the defaults, and the last program seen stays noted.
    frontmost_.setFrontmostApplication(std::nullopt);
    EXPECT_EQ(d.strategyConfigForFrontmostApp().bundleIdentifier, "*");
    EXPECT_EQ(d.currentAppInfo()->bundleIdentifier, "unknown");
}

TEST_F(TextCaretPositionDetectorTest, ElementsWithoutAnEditableRoleCountWhenTheyAnswerTheirSelection) {
    auto d = detector();
    const auto paragraph = port_.addElement();
    EXPECT_FALSE(d.isEditableTextElement(paragraph, "paragraph"));
    port_.setSelectedText(paragraph, "");
    EXPECT_TRUE(d.isEditableTextElement(paragraph, "paragraph"));
    EXPECT_TRUE(d.isEditableTextElement(port_.addElement(), "AXTextView"));

    // A web area counts with a selection, or with a text field among its first ten children.
    const auto page = port_.addElement();
    std::vector<AccessibleElement> children;
    for (int i = 0; i < 11; ++i) {
        children.push_back(port_.addElement());
        port_.setRole(children.back(), "AXGroup");
    }
    port_.setChildren(page, children);
    port_.setRole(children[10], "AXTextField");
    EXPECT_FALSE(d.isEditableTextElement(page, "AXWebArea"));
    port_.setRole(children[9], "AXTextField");
    EXPECT_TRUE(d.isEditableTextElement(page, "AXWebArea"));
    const auto selectedPage = port_.addElement();
    port_.setSelectedTextRange(selectedPage, {0, 0});
    EXPECT_TRUE(d.isEditableTextElement(selectedPage, "AXWebArea"));
}

TEST_F(TextCaretPositionDetectorTest, ZeroWidthBoundsAreWidenedAndFieldBoxesPassedOver) {
    const auto config = configWith({S::boundsForRange, S::zeroRange});
    auto d = detector(tableWith(config));

    port_.setCaretBounds(field_, 3, {300, 303, 0, 18});
    auto found = d.detectCaretRect(field_, 3, 0, "AXTextField", config);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->rect, (ScreenRect{300, 303, 1, 18}));
    EXPECT_EQ(found->strategy, S::boundsForRange);

    // The field's own box is believable for the common rule.
    port_.setCaretBounds(field_, 3, {200, 300, 240, 24});
    found = d.detectCaretRect(field_, 3, 0, "AXTextField", config);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->strategy, S::zeroRange);

    port_.setCaretBounds(field_, 3, {300, 282, 2, 60});
    found = d.detectCaretRect(field_, 3, 0, "AXTextField", config);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->strategy, S::zeroRange);

    testing::LogCapture log;
    port_.setCaretBounds(field_, 3, {0, 0, 0, 0});
    EXPECT_FALSE(d.detectCaretRect(field_, 3, 0, "AXTextField", config).has_value());
    if (Logger::debugLinesEnabled) {
        EXPECT_TRUE(log.contains("DEBUG", "   策略1 返回无效坐标，尝试下一个策略"));
        EXPECT_TRUE(log.contains("DEBUG", "❌ 所有策略均无法获取光标位置"));
    }
}

// A scrolled single-line field reports where its caret would be unscrolled: past the field's right edge,
// often past the screen's. Such answers are passed over for the next strategy, in the end for the mouse.
TEST_F(TextCaretPositionDetectorTest, CaretsOutsideTheFocusedFieldOrOffEveryScreenArePassedOver) {
    const auto config =
        configWith({S::boundsForRange, S::zeroRange, S::visibleRange, S::lineInfo, S::elementAndWindow});
    auto d = detector(tableWith(config));
    port_.setValue(field_, std::string(120, 'x'));
    port_.setSelectedTextRange(field_, {120, 0});
    port_.setVisibleCharacterRange(field_, {60, 60});
    for (const ScreenRect reported : {ScreenRect{1823, 303, 0, 18}, ScreenRect{600, 303, 0, 18}}) {
        port_.setCaretBounds(field_, 120, reported);
        port_.setCaretBounds(field_, 60, reported);
        testing::LogCapture log;
        const auto found = d.detectCaretRect(field_, 120, 0, "AXTextField", config);
        ASSERT_TRUE(found.has_value()) << reported.x;
        EXPECT_EQ(found->strategy, S::elementAndWindow) << "the estimate clamped to the field's end";
        EXPECT_EQ(found->rect.x, 200 + 240 - 2);
        if (Logger::debugLinesEnabled) {
            EXPECT_TRUE(log.contains("DEBUG", reported.x > 1440 ? "策略1 BoundsForRange 不在任何屏幕上"
                                                                : "策略1 BoundsForRange 超出焦点元素范围"));
        }
    }

    // No strategy left: no caret, and no warning about a caret that is then used.
    auto boundsOnly = detector(tableWith(configWith({S::boundsForRange})));
    testing::LogCapture log;
    EXPECT_EQ(boundsOnly.getCaretPosition(), std::nullopt);
    EXPECT_FALSE(log.contains("WARNING", "光标位置验证警告"));

    // A field whose frame cannot be read is judged by the screens alone.
    port_.setError(field_, Attribute::frame, AccessibilityError::noValue);
    EXPECT_EQ(boundsOnly.getCaretPosition(), (ScreenRect{600, 303, 1, 18}));
}

TEST_F(TextCaretPositionDetectorTest, AnswersInTheFlippedConventionAreTurnedOnceAndKeptThere) {
    // A field at the screen's foot whose program answers bottom-up.
    port_.setFrame(field_, {200, 880, 240, 20});
    auto d = detector(tableWith(configWith({S::boundsForRange})));
    port_.setCaretBounds(field_, 3, {300, -4, 0, 16});
    EXPECT_EQ(d.getCaretPosition(), (ScreenRect{300, 888, 1, 16}));
}

TEST_F(TextCaretPositionDetectorTest, TheOffsetMovesOnlyYByTheCaretHeightOrTheCustomAmount) {
    port_.setCaretBounds(field_, 3, {300, 303, 0, 18});
    testing::LogCapture log;
    auto down = detector(tableWith(configWith({S::boundsForRange}, PanelOffsetMode::caretHeight)));
    EXPECT_EQ(down.getCaretPosition(), (ScreenRect{300, 321, 1, 18}));
    if (Logger::debugLinesEnabled) {
        EXPECT_TRUE(log.contains("DEBUG", "🔧 应用偏移: 向下 18.0px"));
    }

    auto up = detector(
        tableWith(configWith({S::boundsForRange}, PanelOffsetMode::custom, PanelOffsetDirection::up, 5.5)));
    EXPECT_EQ(up.getCaretPosition(), (ScreenRect{300, 297.5, 1, 18}));
    auto customWithoutAmount = detector(tableWith(configWith({S::boundsForRange}, PanelOffsetMode::custom)));
    EXPECT_EQ(customWithoutAmount.getCaretPosition(), (ScreenRect{300, 303, 1, 18}));
}

TEST_F(TextCaretPositionDetectorTest, SuspiciousRectanglesAreReturnedWithAWarningAndTheCaretOnlyAtDebug) {
    port_.setCaretBounds(field_, 3, {300, 303, 30, 18});
    auto d = detector(tableWith(configWith({S::zeroRange})));
    testing::LogCapture log;
    EXPECT_EQ(d.getCaretPosition(), (ScreenRect{300, 303, 30, 18}));
    EXPECT_TRUE(log.contains(
        "WARNING", "⚠️ 光标位置验证警告: 宽度过大 (30.0)，可能是输入框边界"));
    // Where the user's caret is stays out of the everyday log.
    EXPECT_FALSE(log.contains("INFO", "光标屏幕坐标"));
    if (Logger::debugLinesEnabled) {
        EXPECT_TRUE(log.contains("DEBUG", "✅ 光标屏幕坐标: x=300.0, y=303.0, w=30.0, h=18.0"));
    }

    EXPECT_EQ(d.invalidRectReason({1, 2, -1, 18}), "宽度为负数 (-1.0)");
    EXPECT_EQ(d.invalidRectReason({1, 2, 2, 7.5}), "高度过小 (7.5)");
    EXPECT_EQ(d.invalidRectReason({1, 2, 2, 61}), "高度过大 (61.0)");
    EXPECT_EQ(d.invalidRectReason({3000, 2, 2, 16}),
              "位置超出屏幕范围: x=3001.0, y=10.0, screens=[{x=-100, y=-100, w=1640, h=1100}]");
    EXPECT_EQ(d.invalidRectReason({300, 200, 2, 16}), std::nullopt);
}

TEST_F(TextCaretPositionDetectorTest, BrowserFieldsGetTheEstimateWhenNoStrategyAnswers) {
    frontmost_.setFrontmostBundleIdentifier("firefox-esr");
    auto browser = detector(tableWith(configWith({}), "firefox"));
    EXPECT_EQ(browser.getCaretPosition(), (ScreenRect{225, 304, 2, 16}));

    frontmost_.setFrontmostBundleIdentifier("org.example.Editor");
    auto editor = detector(tableWith(configWith({})));
    EXPECT_EQ(editor.getCaretPosition(), std::nullopt);

    // Not for every role, and not when the estimate is off every screen.
    frontmost_.setFrontmostBundleIdentifier("google-chrome");
    auto chrome = detector();
    chrome.strategyConfigForFrontmostApp();
    EXPECT_EQ(chrome.browserInputFallback(field_, 3, "AXTextView"), std::nullopt);
    port_.setFrame(field_, {5000, 300, 240, 24});
    EXPECT_EQ(chrome.browserInputFallback(field_, 3, "AXTextField"), std::nullopt);
}

TEST_F(TextCaretPositionDetectorTest, TheLastLineEstimateIsNotConvertedAgainButStillOffset) {
    // Its rectangle lies just at the screen's top, where the conversion would flip a strategy's answer.
    port_.setFrame(field_, {100, -274, 600, 290});
    auto d = detector(tableWith(configWith({S::lastLineFallback})));
    EXPECT_EQ(d.getCaretPosition(), (ScreenRect{104 + 21, -4, 2, 16}));

    auto offset = detector(tableWith(configWith({S::lastLineFallback}, PanelOffsetMode::caretHeight)));
    EXPECT_EQ(offset.getCaretPosition(), (ScreenRect{125, 12, 2, 16}));

    // Above the screen altogether: no caret.
    port_.setFrame(field_, {100, -300, 600, 290});
    EXPECT_EQ(d.getCaretPosition(), std::nullopt);
}

TEST_F(TextCaretPositionDetectorTest, NoCaretWithoutFocusRoleEditableElementOrSelection) {
    auto d = detector(tableWith(configWith({S::elementAndWindow})));
    ASSERT_TRUE(d.getCaretPosition().has_value());

    testing::LogCapture log;
    port_.setFocusedElement(std::nullopt, AccessibilityError::unavailable);
    EXPECT_EQ(d.getCaretPosition(), std::nullopt);
    if (Logger::debugLinesEnabled) {
        EXPECT_TRUE(log.contains("DEBUG", "❌ 无法获取焦点元素, error=6"));
    }

    port_.setFocusedElement(field_);
    port_.setError(field_, Attribute::selectedTextRange, AccessibilityError::noValue);
    EXPECT_EQ(d.getCaretPosition(), std::nullopt);

    const auto button = port_.addElement();
    port_.setRole(button, "push button");
    port_.setFrame(button, {200, 300, 80, 24});
    port_.setFocusedElement(button);
    EXPECT_EQ(d.getCaretPosition(), std::nullopt);

    port_.setFocusedElement(port_.addElement());
    EXPECT_EQ(d.getCaretPosition(), std::nullopt);
}

TEST_F(TextCaretPositionDetectorTest, StrategiesRunInTheProgramsOrderUntilOneIsBelieved) {
    // The marker range is refused (too tall), the line estimate accepted before the element estimate.
    port_.setSelectedTextMarkerRange(field_, {3, 3}, {300, 200, 2, 300});
    const auto config = configWith({S::textMarkerRange, S::selectionEnd, S::lineInfo, S::elementAndWindow});
    auto d = detector(tableWith(config));
    const auto found = d.detectCaretRect(field_, 3, 0, "AXTextField", config);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->strategy, S::lineInfo);
    EXPECT_EQ(found->rect, (ScreenRect{225, 302, 2, 16}));
}

TEST(AppStrategyTableTest, RowsAreKeyedByTheirOwnIdAndNoKeyIsAPrefixOfAnother) {
    const auto& table = builtInAppStrategyTable();
    for (const auto& [key, config] : table) {
        EXPECT_EQ(key, config.bundleIdentifier);
        EXPECT_FALSE(config.preferredStrategies.empty()) << key;
        EXPECT_EQ(config.offsetDirection, PanelOffsetDirection::down) << key;
        for (const auto& [other, unused] : table) {
            if (other != key) {
                EXPECT_NE(other.rfind(key, 0), 0u) << key << " is a prefix of " << other;
            }
        }
    }
    for (const auto& prefix : browserBundleIdentifierPrefixes())
        EXPECT_TRUE(table.contains(prefix)) << prefix;
}

TEST(AppStrategyTableTest, RawValuesOutsideTheirRangeMakeNoCase) {
    EXPECT_EQ(caretDetectionStrategy(0), std::nullopt);
    EXPECT_EQ(caretDetectionStrategy(9), std::nullopt);
    EXPECT_EQ(caretDetectionStrategy(7), S::textMarkerRange);
    EXPECT_EQ(logName(S::lastLineFallback), "LastLineFallback");
    EXPECT_EQ(panelOffsetMode(3), std::nullopt);
    EXPECT_EQ(panelOffsetMode(1), PanelOffsetMode::caretHeight);
    EXPECT_EQ(panelOffsetDirection(2), std::nullopt);
    EXPECT_EQ(panelOffsetDirection(0), PanelOffsetDirection::up);
}

}  // namespace
}  // namespace quorvane
