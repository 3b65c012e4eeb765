#include "floating/model/FloatingClipboardPositionCalculator.h"

#include <algorithm>

#include "base/Logger.h"
#include "floating/model/CaretLogFormat.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "FloatingClipboardPositionCalculator";

template <typename MakeMessage>
void logDebug(MakeMessage&& makeMessage) {
    if constexpr (Logger::debugLinesEnabled) Logger::debug(makeMessage(), kLogCategory);
}

std::string point(ScreenPoint p) {
    return "x=" + wholeNumber(p.x) + " y=" + wholeNumber(p.y);
}

std::string rect(const ScreenRect& r) {
    return "x=" + wholeNumber(r.x) + " y=" + wholeNumber(r.y) + " w=" + wholeNumber(r.width) +
           " h=" + wholeNumber(r.height);
}

}  // namespace

std::optional<ScreenDescription> FloatingClipboardPositionCalculator::screen(const ScreenProvider& screens,
                                                                             ScreenPoint containing) {
    const auto all = screens.screens();
    for (const auto& candidate : all) {
        if (candidate.frame.contains(containing)) return candidate;
    }
    if (auto key = screens.keyWindowScreen()) return key;
    if (auto main = screens.mainScreen()) return main;
    if (!all.empty()) return all.front();
    return std::nullopt;
}

ScreenPoint FloatingClipboardPositionCalculator::panelOrigin(const ScreenProvider& screens, ScreenPoint mouse,
                                                             ScreenSize panelSize, double gap) {
    ScreenRect area;
    if (auto found = screen(screens, mouse)) {
        area = found->visibleFrame;
    } else if (auto main = screens.mainScreen()) {
        area = main->visibleFrame;
    }
    const double w = panelSize.width;
    const double h = panelSize.height;

    double top = mouse.y + gap;
    if (top + h > area.maxY()) top = mouse.y - gap - h;
    if (top < area.minY()) top = area.minY();
    // The upper bound goes last, so a panel taller than the area ends flush with its top edge.
    top = std::max(area.minY(), std::min(top, area.maxY() - h));
    const double x = std::min(area.maxX() - w, std::max(mouse.x - w / 2, area.minX()));

    const ScreenPoint result{x, top};
    logDebug([&] {
        return "[FloatingPosition] Mouse anchor=" + point(mouse) + " visibleFrame=" + rect(area) +
               " panelSize=" + wholeNumber(w) + "x" + wholeNumber(h) + " result=" + point(result);
    });
    return result;
}

ScreenPoint FloatingClipboardPositionCalculator::panelOrigin(const ScreenProvider& screens,
                                                             ScreenRect caretRect, ScreenSize panelSize,
                                                             double gap) {
    const auto found = screen(screens, caretRect.mid());
    if (!found) {
        logDebug([&] {
            return "[FloatingPosition] No screen matched caret rect=" + rect(caretRect) +
                   "; fallback to point anchor";
        });
        return panelOrigin(screens, caretRect.mid(), panelSize, gap);
    }
    // The whole screen, not its work area: a caret inside a docked window may sit beside a panel bar.
    const ScreenRect s = found->frame;
    const double w = panelSize.width;
    const double h = panelSize.height;

    double x = caretRect.minX();
    if (x + w > s.maxX()) x = s.maxX() - w - gap;
    if (x < s.minX()) x = s.minX() + gap;

    double top = caretRect.maxY() + gap;
    if (s.maxY() - top < h) top = caretRect.minY() - gap - h;
    // The upper bound goes last, so a panel taller than the screen keeps its top edge on the screen.
    top = std::max(s.minY() + gap, std::min(top, s.maxY() - h - gap));

    const ScreenPoint result{x, top};
    logDebug([&] {
        return "[FloatingPosition] Caret rect=" + rect(caretRect) + " screen=" + rect(s) +
               " panelSize=" + wholeNumber(w) + "x" + wholeNumber(h) +
               " appKitX=" + wholeNumber(caretRect.minX()) +
               " appKitY=" + wholeNumber(caretRect.maxY() + gap) + " result=" + point(result);
    });
    return result;
}

}  // namespace quorvane
