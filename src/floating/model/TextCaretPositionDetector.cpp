#include "floating/model/TextCaretPositionDetector.h"

#include <algorithm>

#include "base/Logger.h"
#include "floating/model/CaretLogFormat.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "TextCaretPositionDetector";
// A web area's text fields sit near the top of its children; looking further costs a round trip each.
constexpr std::size_t kWebAreaChildrenToCheck = 10;
// A caret at the very end of a full field may stand just past the field's edge.
constexpr double kElementSlack = 4;

template <typename MakeMessage>
void logDebug(MakeMessage&& makeMessage) {
    if constexpr (Logger::debugLinesEnabled) Logger::debug(makeMessage(), kLogCategory);
}

std::string wholeFields(const ScreenRect& r) {
    return "x=" + wholeNumber(r.x) + ", y=" + wholeNumber(r.y) + ", w=" + wholeNumber(r.width) +
           ", h=" + wholeNumber(r.height);
}

std::string strategyList(const std::vector<CaretDetectionStrategy>& strategies) {
    std::string list;
    for (const auto strategy : strategies) {
        if (!list.empty()) list += " -> ";
        list += logName(strategy);
    }
    return list;
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::set<std::string> TextCaretPositionDetector::defaultEditableRoles() {
    return {AccessibleRole::textField, AccessibleRole::textArea, AccessibleRole::comboBox,
            AccessibleRole::searchField, AccessibleRole::textView};
}

TextCaretPositionDetector::TextCaretPositionDetector(Services services, std::set<std::string> editableRoles,
                                                     AppStrategyTable appStrategyTable)
    : services_(services),
      editableRoles_(std::move(editableRoles)),
      appStrategyTable_(std::move(appStrategyTable)),
      geometry_(services.screens),
      strategies_(services.elements, geometry_, services.screens, services.textMeasurer) {}

std::optional<ScreenRect> TextCaretPositionDetector::getCaretPosition() {
    logDebug([] { return std::string("========== 开始获取光标位置 =========="); });
    const AppStrategyConfig config = strategyConfigForFrontmostApp();
    logDebug([&] { return "📱 当前应用: " + config.displayName + " (" + config.bundleIdentifier + ")"; });
    logDebug([&] { return "📋 使用的策略: " + strategyList(config.preferredStrategies); });

    AccessibleElementPort& elements = services_.elements;
    const auto focused = elements.focusedElement();
    if (!focused) {
        logDebug(
            [&] { return "❌ 无法获取焦点元素, error=" + std::to_string(static_cast<int>(focused.error)); });
        return std::nullopt;
    }
    const AccessibleElement& element = *focused.value;

    const auto roleRead = elements.role(element);
    if (!roleRead) {
        logDebug([] { return std::string("❌ 无法获取元素 role"); });
        return std::nullopt;
    }
    const std::string role = *roleRead.value;
    logDebug([&] { return "📍 焦点元素 role: " + role; });

    if constexpr (Logger::debugLinesEnabled) {
        // Read only for the log line: a round trip the release build saves.
        if (const auto window = strategies_.windowInfo(element)) {
            Logger::debug("🏠 窗口信息: frame=(" + wholeNumber(window->frame.x) + ", " +
                              wholeNumber(window->frame.y) + ", " + wholeNumber(window->frame.width) + ", " +
                              wholeNumber(window->frame.height) + ")",
                          kLogCategory);
        }
    }

    if (!isEditableTextElement(element, role)) {
        logDebug([] { return std::string("❌ 焦点元素不可编辑或非文本元素"); });
        return std::nullopt;
    }
    logDebug([] { return std::string("✅ 焦点元素是可编辑的"); });

    const auto selection = elements.selectedTextRange(element);
    if (!selection) {
        logDebug([] { return std::string("❌ 无法获取选区范围"); });
        return std::nullopt;
    }
    const std::int64_t location = selection.value->location;
    const std::int64_t length = selection.value->length;
    logDebug([&] {
        return "📋 选区范围: location=" + std::to_string(location) + ", length=" + std::to_string(length);
    });
    if (length >= 1) {
        logDebug([&] {
            return "⚠️ 检测到文本选区 (length=" + std::to_string(length) + ")，尝试获取光标位置";
        });
    }

    const auto found = detectCaretRect(element, location, length, role, config);
    if (!found) {
        logDebug([] { return std::string("❌ 所有策略均无法获取光标位置"); });
        return std::nullopt;
    }
    ScreenRect rect = found->rect;
    if (found->strategy == CaretDetectionStrategy::lastLineFallback) {
        logDebug([] { return std::string("   跳过坐标转换（LastLineFallback 已返回正确坐标）"); });
    } else {
        rect = geometry_.convertToScreenCoordinates(rect);
    }

    double offset = 0;
    switch (config.offsetMode) {
        case PanelOffsetMode::none:
            break;
        case PanelOffsetMode::caretHeight:
            offset = rect.height;
            break;
        case PanelOffsetMode::custom:
            offset = config.customOffset.value_or(0);
            break;
    }
    if (offset != 0) {
        if (config.offsetDirection == PanelOffsetDirection::down) {
            rect.y += offset;
            logDebug([&] { return "🔧 应用偏移: 向下 " + decimalNumber(offset) + "px"; });
        } else {
            rect.y -= offset;
            logDebug([&] { return "🔧 应用偏移: 向上 " + decimalNumber(offset) + "px"; });
        }
    }

    if (!services_.screens.screens().empty() && !isOnSomeScreen(rect.mid())) {
        logDebug([&] { return "❌ 偏移后的光标位置不在任何屏幕上: " + wholeFields(rect); });
        return std::nullopt;
    }
    if (const auto reason = invalidRectReason(rect)) {
        Logger::warning("⚠️ 光标位置验证警告: " + *reason, kLogCategory);
    }
    logDebug([&] {
        return "✅ 光标屏幕坐标: x=" + decimalNumber(rect.x) + ", y=" + decimalNumber(rect.y) +
               ", w=" + decimalNumber(rect.width) + ", h=" + decimalNumber(rect.height);
    });
    logDebug([] { return std::string("========== 获取光标位置完成 =========="); });
    return rect;
}

AppStrategyConfig TextCaretPositionDetector::strategyConfigForFrontmostApp() {
    const auto application = services_.frontmostApplication.frontmostApplication();
    if (!application) return defaultAppStrategyConfig();
    AppInfo info{application->bundleIdentifier.value_or("unknown"),
                 application->name.empty() ? std::string("Unknown") : application->name};
    currentAppInfo_ = info;

    if (auto exact = appStrategyTable_.find(info.bundleIdentifier); exact != appStrategyTable_.end()) {
        return exact->second;
    }
    for (const auto& [key, config] : appStrategyTable_) {
        if (startsWith(info.bundleIdentifier, key)) return config;
    }
    return defaultAppStrategyConfig();
}

bool TextCaretPositionDetector::isEditableTextElement(const AccessibleElement& element,
                                                      const std::string& role) {
    AccessibleElementPort& elements = services_.elements;
    if (editableRoles_.contains(role)) return true;
    if (role == AccessibleRole::webArea) {
        if (elements.selectedTextRange(element)) return true;
        const auto children = elements.children(element);
        if (!children) return false;
        const std::size_t checked = std::min(children.value->size(), kWebAreaChildrenToCheck);
        for (std::size_t i = 0; i < checked; ++i) {
            const auto childRole = elements.role((*children.value)[i]);
            if (childRole && editableRoles_.contains(*childRole.value)) return true;
        }
        return false;
    }
    return static_cast<bool>(elements.selectedText(element));
}

std::optional<TextCaretPositionDetector::StrategyResult> TextCaretPositionDetector::detectCaretRect(
    const AccessibleElement& element, std::int64_t location, std::int64_t length, const std::string& role,
    const AppStrategyConfig& config) {
    // Read once, and only when some strategy answered.
    std::optional<std::optional<ScreenRect>> frame;
    const auto frameOfElement = [&]() -> const std::optional<ScreenRect>& {
        if (!frame) frame = elementFrame(element);
        return *frame;
    };
    int position = 0;
    for (const auto strategy : config.preferredStrategies) {
        const std::string n = std::to_string(++position);
        const std::string name(logName(strategy));
        const auto raw = strategies_.run(strategy, element, location, length, role);
        if (!raw) continue;

        ScreenRect rect = *raw;
        if (strategy != CaretDetectionStrategy::lastLineFallback) {
            rect = geometry_.convertToScreenCoordinates(*raw);
            if (rect != *raw) {
                logDebug([&] {
                    return "   " + name + " 坐标归一化: (" + rectFields(*raw) + ") -> (" + rectFields(rect) +
                           ")";
                });
            }
        }
        logDebug([&] { return "   策略" + n + " " + name + " 返回: " + wholeFields(rect); });
        // An empty answer is no caret at all, wherever it lies.
        if (strategy == CaretDetectionStrategy::boundsForRange && CaretGeometry::isDegenerateRect(rect)) {
            logDebug([&] { return "   策略" + n + " 返回无效坐标，尝试下一个策略"; });
            continue;
        }
        if (const auto reason = misplacementReason(rect, strategy, frameOfElement())) {
            logDebug([&] { return "   策略" + n + " " + name + " " + *reason + "，尝试下一个策略"; });
            continue;
        }

        std::string suffix;
        switch (strategy) {
            case CaretDetectionStrategy::boundsForRange:
                // No screen test here: these are the program's own caret bounds. A wide, tall answer is the
                // field's box rather than its caret.
                if (!(rect.height > 0 && rect.height < 60)) continue;
                if (rect.width == 0) {
                    rect.width = 1;
                    suffix = " (宽度调整 0→1)";
                } else if (rect.width > 50 && rect.height > 20) {
                    logDebug([&] { return "⚠️ 策略" + n + " 返回的可能是输入框边界"; });
                    continue;
                }
                break;
            case CaretDetectionStrategy::lastLineFallback:
                break;
            default:
                if (!geometry_.isPlausibleCaretRect(rect) || CaretGeometry::isDegenerateRect(rect)) continue;
                break;
        }
        logDebug([&] { return "✅ 策略" + n + " 成功: " + name + suffix; });
        return StrategyResult{rect, strategy};
    }

    if (const auto estimate = browserInputFallback(element, location, role);
        estimate &&
        !misplacementReason(*estimate, CaretDetectionStrategy::elementAndWindow, frameOfElement())) {
        logDebug([&] { return "✅ 浏览器输入框兜底成功: " + wholeFields(*estimate); });
        return StrategyResult{*estimate, CaretDetectionStrategy::elementAndWindow};
    }
    logDebug([] { return std::string("❌ 所有策略均无法获取光标位置"); });
    return std::nullopt;
}

std::optional<ScreenRect> TextCaretPositionDetector::browserInputFallback(const AccessibleElement& element,
                                                                          std::int64_t location,
                                                                          const std::string& role) {
    if (!currentAppInfo_) return std::nullopt;
    const auto& prefixes = browserBundleIdentifierPrefixes();
    const bool browser = std::any_of(prefixes.begin(), prefixes.end(), [&](const std::string& prefix) {
        return startsWith(currentAppInfo_->bundleIdentifier, prefix);
    });
    const bool field = role == AccessibleRole::textField || role == AccessibleRole::searchField ||
                       role == AccessibleRole::comboBox || role == AccessibleRole::textArea;
    if (!browser || !field) return std::nullopt;

    const auto estimate = strategies_.elementAndWindowRect(element, location, role);
    if (!estimate) {
        logDebug([] { return std::string("   浏览器输入框兜底失败: ElementAndWindow 未返回坐标"); });
        return std::nullopt;
    }
    const ScreenRect rect = geometry_.convertToScreenCoordinates(*estimate);
    if (!geometry_.isPlausibleCaretRect(rect) || CaretGeometry::isDegenerateRect(rect)) {
        logDebug([&] { return "   浏览器输入框兜底失败: 返回坐标仍然无效 " + rectDefaultForm(rect); });
        return std::nullopt;
    }
    return rect;
}

std::optional<ScreenRect> TextCaretPositionDetector::elementFrame(const AccessibleElement& element) {
    const auto frame = services_.elements.frame(element);
    if (!frame) return std::nullopt;
    return geometry_.convertToScreenCoordinates(*frame.value);
}

bool TextCaretPositionDetector::isOnSomeScreen(ScreenPoint point) const {
    const auto screens = services_.screens.screens();
    return std::any_of(screens.begin(), screens.end(),
                       [&](const auto& screen) { return screen.frame.contains(point); });
}

std::optional<std::string> TextCaretPositionDetector::misplacementReason(
    const ScreenRect& rect, CaretDetectionStrategy strategy,
    const std::optional<ScreenRect>& elementFrame) const {
    const ScreenPoint mid = rect.mid();
    if (!services_.screens.screens().empty() && !isOnSomeScreen(mid)) return std::string("不在任何屏幕上");
    if (strategy != CaretDetectionStrategy::lastLineFallback && elementFrame &&
        !elementFrame->outset(kElementSlack, kElementSlack).contains(mid)) {
        return "超出焦点元素范围 (" + wholeFields(*elementFrame) + ")";
    }
    return std::nullopt;
}

std::optional<std::string> TextCaretPositionDetector::invalidRectReason(const ScreenRect& rect) const {
    if (rect.width < 0) return "宽度为负数 (" + decimalNumber(rect.width) + ")";
    if (rect.width > 20) return "宽度过大 (" + decimalNumber(rect.width) + ")，可能是输入框边界";
    if (rect.height < 8) return "高度过小 (" + decimalNumber(rect.height) + ")";
    if (rect.height > 60) return "高度过大 (" + decimalNumber(rect.height) + ")";
    const auto screens = services_.screens.screens();
    if (screens.empty()) return std::nullopt;
    std::string frames;
    for (const auto& screen : screens) {
        const ScreenRect grown = screen.frame.outset(100, 100);
        if (grown.contains(rect.mid())) return std::nullopt;
        if (!frames.empty()) frames += ", ";
        frames += "{x=" + wholeNumber(grown.x) + ", y=" + wholeNumber(grown.y) +
                  ", w=" + wholeNumber(grown.width) + ", h=" + wholeNumber(grown.height) + "}";
    }
    return "位置超出屏幕范围: x=" + decimalNumber(rect.midX()) + ", y=" + decimalNumber(rect.midY()) +
           ", screens=[" + frames + "]";
}

}  // namespace quorvane
