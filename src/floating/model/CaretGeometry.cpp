#include "floating/model/CaretGeometry.h"

#include <cmath>

#include "base/Logger.h"
#include "floating/model/CaretLogFormat.h"
#include "platform/AccessibleElementPort.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "TextCaretPositionDetector";
// Carets just beside a screen (a window dragged half off it) still count as on it.
constexpr double kScreenMargin = 100;

template <typename MakeMessage>
void logDebug(MakeMessage&& makeMessage) {
    if constexpr (Logger::debugLinesEnabled) Logger::debug(makeMessage(), kLogCategory);
}

bool onSomeScreen(const std::vector<ScreenDescription>& screens, std::initializer_list<ScreenPoint> points) {
    for (const auto& screen : screens) {
        const ScreenRect grown = screen.frame.outset(kScreenMargin, kScreenMargin);
        for (const auto& point : points) {
            if (grown.contains(point)) return true;
        }
    }
    return false;
}

}  // namespace

ScreenRect CaretGeometry::flipped(const ScreenRect& rect, double top, double height) {
    return {rect.x, 2 * top + height - rect.y - rect.height, rect.width, rect.height};
}

int CaretGeometry::screenPlausibilityScore(const ScreenRect& rect) const {
    const ScreenPoint corners[] = {rect.origin(), rect.mid(), {rect.maxX(), rect.maxY()}};
    const ScreenRect around = rect.outset(8, 8);
    int score = 0;
    for (const auto& screen : screens_.screens()) {
        const ScreenRect frame = screen.frame.outset(kScreenMargin, kScreenMargin);
        const ScreenRect visible = screen.visibleFrame.outset(kScreenMargin, kScreenMargin);
        bool inFrame = false;
        bool inVisible = false;
        for (const auto& point : corners) {
            inFrame = inFrame || frame.contains(point);
            inVisible = inVisible || visible.contains(point);
        }
        if (inFrame) score += 60;
        if (inVisible) score += 30;
        if (frame.intersects(around)) score += 20;
    }
    if (rect.y >= 0) score += 5;
    if (rect.height >= 0 && rect.height <= 200) score += 5;
    return score;
}

ScreenRect CaretGeometry::convertToScreenCoordinates(const ScreenRect& rect) const {
    const auto main = screens_.mainScreen();
    if (!main) {
        Logger::warning("⚠️ 无法获取主屏幕，跳过坐标转换", kLogCategory);
        return rect;
    }
    const ScreenRect raw = rect.standardized();
    const ScreenRect mirrored = flipped(raw, main->frame.minY(), main->frame.height);
    const int rawScore = screenPlausibilityScore(raw);
    const int convertedScore = screenPlausibilityScore(mirrored);
    auto conversionLine = [&](const char* prefix) {
        return std::string(prefix) + decimalNumber(raw.x) + ", " + decimalNumber(raw.y) + ") -> (" +
               decimalNumber(mirrored.x) + ", " + decimalNumber(mirrored.y) +
               "), rawScore=" + std::to_string(rawScore) +
               ", convertedScore=" + std::to_string(convertedScore);
    };
    if (rawScore < convertedScore) {
        logDebug([&] { return conversionLine("   坐标转换: ("); });
        return mirrored;
    }
    if (rawScore == convertedScore && raw.y < 0 && mirrored.y >= 0) {
        logDebug([&] { return conversionLine("   坐标转换(同分优先非负Y): ("); });
        return mirrored;
    }
    logDebug([&] {
        return "   坐标无需转换: (" + decimalNumber(raw.x) + ", " + decimalNumber(raw.y) +
               ") 已在合理范围内, rawScore=" + std::to_string(rawScore) +
               ", convertedScore=" + std::to_string(convertedScore);
    });
    return raw;
}

bool CaretGeometry::isDegenerateRect(const ScreenRect& rect) {
    if (rect.y < -10000) return true;
    return rect.x == 0 && (rect.y == 0 || (rect.width == 0 && rect.height == 0));
}

bool CaretGeometry::isPlausibleCaretRect(const ScreenRect& rect) const {
    if (!(rect.height >= 8 && rect.height <= 60)) return false;
    const auto screens = screens_.screens();
    if (screens.empty()) return true;
    return onSomeScreen(screens, {rect.origin(), rect.mid()});
}

bool CaretGeometry::isValidCaretRect(const ScreenRect& rect) const {
    auto refuse = [&](const std::string& reason) {
        logDebug([&] { return reason + rectDefaultForm(rect); });
        return false;
    };
    if (rect.width < 0 || rect.height < 0) return refuse("   ❌ 矩形宽高为负: ");
    if (!std::isfinite(rect.x) || !std::isfinite(rect.y)) return refuse("   ❌ 矩形坐标非有限值: ");
    if (!(rect.height >= 5 && rect.height <= 200)) {
        return refuse("   ❌ 矩形高度不合理(" + decimalNumber(rect.height) + "): ");
    }
    if (!onSomeScreen(screens_.screens(), {rect.origin()})) return refuse("   ❌ 矩形不在任何屏幕范围内: ");
    return true;
}

ScreenRect CaretGeometry::adjustSearchFieldRect(const ScreenRect& rect, const std::string& role,
                                                const ScreenRect& elementFrame) const {
    const bool singleLineRole = role == AccessibleRole::textField || role == AccessibleRole::searchField ||
                                role == AccessibleRole::comboBox;
    const bool fieldSizedArea = (role == AccessibleRole::textArea || role == AccessibleRole::textView) &&
                                elementFrame.height <= 64 && elementFrame.width >= 120;
    if (!singleLineRole && !fieldSizedArea) return rect;

    const auto screens = screens_.screens();
    std::optional<ScreenRect> chosen;
    for (const auto& screen : screens) {
        const ScreenRect& f = screen.frame;
        if (f.contains(rect.mid()) || f.contains(elementFrame.mid()) || f.contains(rect.origin()) ||
            f.contains(elementFrame.origin())) {
            chosen = f;
            break;
        }
    }
    for (std::size_t i = 0; !chosen && i < screens.size(); ++i) {
        if (screens[i].frame.intersects(rect) || screens[i].frame.intersects(elementFrame)) {
            chosen = screens[i].frame;
        }
    }
    if (!chosen) {
        if (auto main = screens_.mainScreen()) chosen = main->frame;
    }
    if (!chosen && !screens.empty()) chosen = screens.front().frame;
    if (!chosen) return rect;

    const ScreenRect& s = *chosen;
    if (rect.midY() >= s.midY()) {
        logDebug([&] {
            return "   搜索框坐标保持原样: role=" + role + ", rect=(" + rectFields(rect) +
                   "), screenMidY=" + decimalNumber(s.midY());
        });
        return rect;
    }
    ScreenRect adjusted = rect;
    adjusted.y = s.minY() + s.height - rect.y - rect.height;
    logDebug([&] {
        return "   搜索框坐标修正: role=" + role + ", screen=(" + rectFields(s) + "), raw=(" +
               rectFields(rect) + ") -> adjusted=(" + rectFields(adjusted) + ")";
    });
    return adjusted;
}

}  // namespace quorvane
