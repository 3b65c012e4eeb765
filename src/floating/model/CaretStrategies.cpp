#include "floating/model/CaretStrategies.h"

#include <algorithm>
#include <vector>

#include "base/Logger.h"
#include "base/Utf8.h"
#include "floating/model/CaretLogFormat.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "TextCaretPositionDetector";
// Used when there is no screen to measure against.
constexpr double kAssumedScreenHeight = 1080;

template <typename MakeMessage>
void logDebug(MakeMessage&& makeMessage) {
    if constexpr (Logger::debugLinesEnabled) Logger::debug(makeMessage(), kLogCategory);
}

std::string errorCode(AccessibilityError error) {
    return std::to_string(static_cast<int>(error));
}

// Bytes in the UTF-8 sequence that starts at `text[i]`; 1 for a byte that starts no valid sequence.
std::size_t sequenceLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80                   ? 1
                         : lead >= 0xC2 && lead < 0xE0 ? 2
                         : lead >= 0xE0 && lead < 0xF0 ? 3
                         : lead >= 0xF0 && lead < 0xF5 ? 4
                                                       : 1;
    if (i + length > text.size()) return 1;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

// The first `count` code points of `text` (all of it when shorter; none for a count below 1).
std::string_view codePointPrefix(std::string_view text, std::int64_t count) {
    std::size_t end = 0;
    for (std::int64_t n = 0; n < count && end < text.size(); ++n) end += sequenceLength(text, end);
    return text.substr(0, end);
}

// `text` from its code point `offset` on; empty when the offset lies past its end.
std::string_view codePointSuffix(std::string_view text, std::int64_t offset) {
    return text.substr(codePointPrefix(text, offset).size());
}

// Split at every newline, keeping empty lines: the caret may sit on one.
std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> result;
    std::size_t start = 0;
    for (;;) {
        const std::size_t newline = text.find('\n', start);
        if (newline == std::string_view::npos) break;
        result.push_back(text.substr(start, newline - start));
        start = newline + 1;
    }
    result.push_back(text.substr(start));
    return result;
}

// The text before the caret, as far as the caret's location reaches into it.
std::string_view textBeforeCaret(std::string_view text, std::int64_t location) {
    const auto count = static_cast<std::int64_t>(characterCount(text));
    return codePointPrefix(text, std::min(location, count));
}

struct CaretLine {
    std::string_view textBeforeCaret;  // on the caret's line
    double offset = 0;                 // of the caret's line below the first line
};

// The line the caret is on, found by the newlines before it.
CaretLine lastLineBeforeCaret(std::string_view prefix) {
    const auto split = lines(prefix);
    return {split.back(), static_cast<double>(split.size() - 1) * CaretStrategies::assumedLineHeight};
}

}  // namespace

std::optional<ScreenRect> CaretStrategies::run(CaretDetectionStrategy strategy,
                                               const AccessibleElement& element, std::int64_t location,
                                               std::int64_t length, const std::string& role) {
    switch (strategy) {
        case CaretDetectionStrategy::boundsForRange:
            return boundsForRangeRect(element, location);
        case CaretDetectionStrategy::selectionEnd:
            return selectionEndRect(element, location, length);
        case CaretDetectionStrategy::zeroRange:
            return zeroRangeRect(element, location);
        case CaretDetectionStrategy::visibleRange:
            return visibleRangeRect(element, location);
        case CaretDetectionStrategy::lineInfo:
            return lineInfoRect(element, location);
        case CaretDetectionStrategy::elementAndWindow:
            return elementAndWindowRect(element, location, role);
        case CaretDetectionStrategy::textMarkerRange:
            return textMarkerRangeRect(element);
        case CaretDetectionStrategy::lastLineFallback:
            return lastLineFallbackRect(element, location);
    }
    return std::nullopt;
}

std::optional<CaretStrategies::WindowInfo> CaretStrategies::windowInfo(const AccessibleElement& element) {
    auto window = elements_.window(element);
    if (!window) return std::nullopt;
    auto frame = elements_.frame(*window.value);
    if (!frame) return std::nullopt;
    return WindowInfo{geometry_.convertToScreenCoordinates(*frame.value), *window.value};
}

std::string CaretStrategies::textOf(const AccessibleElement& element) {
    auto text = elements_.value(element);
    return text ? *text.value : std::string();
}

std::optional<ScreenRect> CaretStrategies::boundsForRangeRect(const AccessibleElement& element,
                                                              std::int64_t location) {
    auto bounds = elements_.boundsForRange(element, {location, 0});
    if (!bounds) {
        logDebug([&] { return "   BoundsForRange 失败, error=" + errorCode(bounds.error); });
        return std::nullopt;
    }
    return bounds.value;
}

std::optional<ScreenRect> CaretStrategies::selectionEndRect(const AccessibleElement& element,
                                                            std::int64_t location, std::int64_t length) {
    if (length <= 0) return std::nullopt;
    return elements_.boundsForRange(element, {location + length, 0}).value;
}

std::optional<ScreenRect> CaretStrategies::zeroRangeRect(const AccessibleElement& element,
                                                         std::int64_t location) {
    return elements_.boundsForRange(element, {location, 0}).value;
}

std::optional<ScreenRect> CaretStrategies::visibleRangeRect(const AccessibleElement& element,
                                                            std::int64_t location) {
    auto visible = elements_.visibleCharacterRange(element);
    if (!visible) return std::nullopt;
    return elements_.boundsForRange(element, {std::max(visible.value->location, location), 0}).value;
}

std::optional<ScreenRect> CaretStrategies::lineInfoRect(const AccessibleElement& element,
                                                        std::int64_t location) {
    auto frame = elements_.frame(element);
    if (!frame) return std::nullopt;
    const ScreenRect e = geometry_.convertToScreenCoordinates(*frame.value);
    const std::string text = textOf(element);
    if (text.empty()) return std::nullopt;

    const std::string_view prefix = textBeforeCaret(text, location);
    std::int64_t total = 0;
    std::int64_t lineStart = 0;
    double lineOffset = 0;
    const auto split = lines(prefix);
    for (std::size_t index = 0; index < split.size(); ++index) {
        const std::int64_t before = total;
        total += static_cast<std::int64_t>(characterCount(split[index])) + 1;
        if (total > location) {
            lineStart = before;
            lineOffset = static_cast<double>(index) * assumedLineHeight;
            break;
        }
    }
    // Characters that are several code points long make the line start a character count; taken as a code
    // point offset it can only fall short of the caret, never read past the prefix.
    const double width = textMeasurer_.width(codePointSuffix(prefix, lineStart), textPointSize);

    const double y = e.minY() + lineOffset + 2;
    if (y < e.minY() - 100 || y > e.maxY() + 100) {
        logDebug([] { return std::string("   策略5 LineInfo 估算坐标超出元素范围，返回 nil"); });
        return std::nullopt;
    }
    if (auto main = screens_.mainScreen()) {
        const double h = main->frame.height;
        if (y < -h || y > 2 * h) {
            logDebug([] { return std::string("   策略5 LineInfo 坐标超出屏幕范围，返回 nil"); });
            return std::nullopt;
        }
    }
    return ScreenRect{e.minX() + width + 4, y, estimatedCaretWidth, estimatedCaretHeight};
}

std::optional<ScreenRect> CaretStrategies::elementAndWindowRect(const AccessibleElement& element,
                                                                std::int64_t location,
                                                                const std::string& role) {
    auto frame = elements_.frame(element);
    if (!frame) return std::nullopt;
    const ScreenRect e = geometry_.convertToScreenCoordinates(*frame.value);
    const std::string text = textOf(element);
    const auto window = windowInfo(element);

    CaretLine line;
    if (!text.empty()) line = lastLineBeforeCaret(textBeforeCaret(text, location));
    const double width = textMeasurer_.width(line.textBeforeCaret, textPointSize);

    const bool multiLine = role == AccessibleRole::textArea || role == AccessibleRole::textView;
    double y = multiLine ? e.minY() + 4 + line.offset : e.minY() + (e.height - estimatedCaretHeight) / 2;
    double x = e.minX() + width + 4;
    // Below the window's title strip.
    if (window) y = std::max(y, window->frame.minY() + 22);
    x = std::min(x, e.maxX() - 2);
    y = std::min(y, e.maxY() - estimatedCaretHeight);
    if (y < e.minY() - 100 || y > e.maxY() + 100) {
        logDebug([] { return std::string("   策略6 ElementAndWindow 估算坐标超出元素范围，返回 nil"); });
        return std::nullopt;
    }
    if (auto main = screens_.mainScreen()) {
        const double h = main->frame.height;
        if (y < -h || y > 2 * h) {
            logDebug([] { return std::string("   策略6 ElementAndWindow 坐标超出屏幕范围，返回 nil"); });
            return std::nullopt;
        }
    }
    const ScreenRect caret{x, y, estimatedCaretWidth, estimatedCaretHeight};
    if (!searchFieldAdjustmentEnabled_) return caret;
    return geometry_.adjustSearchFieldRect(caret, role, e);
}

std::optional<ScreenRect> CaretStrategies::textMarkerRangeRect(const AccessibleElement& element) {
    auto marker = elements_.selectedTextMarkerRange(element);
    if (!marker) {
        logDebug([&] {
            return "   [TextMarkerRange] 无法获取 SelectedTextMarkerRange (" + errorCode(marker.error) + ")";
        });
        return std::nullopt;
    }
    auto bounds = elements_.boundsForTextMarkerRange(element, *marker.value);
    if (!bounds) {
        if (bounds.error == AccessibilityError::wrongType) {
            logDebug([] { return std::string("   [TextMarkerRange] 无法提取矩形"); });
        } else {
            logDebug([&] {
                return "   [TextMarkerRange] 无法获取 BoundsForTextMarkerRange (" + errorCode(bounds.error) +
                       ")";
            });
        }
        return std::nullopt;
    }
    logDebug([&] { return "   [TextMarkerRange] 返回: " + rectDefaultForm(*bounds.value); });
    const ScreenRect rect = geometry_.convertToScreenCoordinates(*bounds.value);
    if (!geometry_.isValidCaretRect(rect)) return std::nullopt;
    return rect;
}

std::optional<ScreenRect> CaretStrategies::lastLineFallbackRect(const AccessibleElement& element,
                                                                std::int64_t location) {
    auto frame = elements_.frame(element);
    if (!frame) {
        if (frame.error == AccessibilityError::wrongType) {
            logDebug([] { return std::string("   [LastLineFallback] 无法解析元素 Frame"); });
        } else {
            logDebug([] { return std::string("   [LastLineFallback] 无法获取元素 Frame"); });
        }
        return std::nullopt;
    }
    const ScreenRect e = *frame.value;
    const auto window = windowInfo(element);
    const std::string text = textOf(element);
    std::string_view lineText;
    if (!text.empty()) lineText = lastLineBeforeCaret(textBeforeCaret(text, location)).textBeforeCaret;
    const double width = textMeasurer_.width(lineText, textPointSize);
    const auto main = screens_.mainScreen();
    const double h = main ? main->frame.height : kAssumedScreenHeight;

    // The position is worked out bottom-up (y grows upwards from the bottom of the primary screen) and
    // turned top-down once at the end, like every other strategy's answer.
    double x = e.minX() + 4 + width;
    double bottomUpY;
    if (e.height > 2 * h && window) {
        // An editor taller than two screens reports its whole document: its last line is far off screen, so
        // the caret goes near the top of the window instead.
        const double windowTopY = h - window->frame.maxY();
        const double windowBottomY = h - window->frame.minY();
        const double visibleBottomY = windowBottomY - 30;
        bottomUpY = std::max(windowTopY + 100, visibleBottomY - 20);
        logDebug([&] {
            return "   [LastLineFallback] 使用窗口位置: windowTopY=" + decimalNumber(windowTopY) +
                   ", windowBottomY=" + decimalNumber(windowBottomY) +
                   ", visibleBottomY=" + decimalNumber(visibleBottomY);
        });
    } else {
        bottomUpY = h - (e.minY() + e.height) + 4;
    }
    if (window) x = std::min(std::max(x, window->frame.minX() + 10), window->frame.maxX() - 10);
    const ScreenRect caret{x, h - bottomUpY - estimatedCaretHeight, estimatedCaretWidth,
                           estimatedCaretHeight};
    logDebug([&] {
        return "   [LastLineFallback] 元素Frame: " + rectDefaultForm(e) +
               ", 窗口Frame: " + (window ? rectDefaultForm(window->frame) : std::string("nil")) +
               ", 光标位置: " + rectDefaultForm(caret);
    });
    return caret;
}

}  // namespace quorvane
