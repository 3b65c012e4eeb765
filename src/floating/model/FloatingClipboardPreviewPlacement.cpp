#include "floating/model/FloatingClipboardPreviewPlacement.h"

#include <algorithm>

#include "floating/model/FloatingClipboardPositionCalculator.h"

namespace quorvane {

using Calculator = FloatingClipboardPreviewPlacementCalculator;

std::optional<FloatingClipboardPreviewPlacement> Calculator::placement(const ScreenProvider& screens,
                                                                       std::optional<ScreenRect> visibleFrame,
                                                                       ScreenRect anchor, ScreenRect panel,
                                                                       double width, double height) {
    ScreenRect visible;
    if (visibleFrame) {
        visible = *visibleFrame;
    } else if (const auto screen = FloatingClipboardPositionCalculator::screen(screens, anchor.mid())) {
        visible = screen->visibleFrame;
    } else if (const auto main = screens.mainScreen()) {
        visible = main->visibleFrame;
    }
    return placement(visible, anchor, panel, width, height);
}

std::optional<FloatingClipboardPreviewPlacement> Calculator::placement(ScreenRect visible, ScreenRect anchor,
                                                                       ScreenRect panel, double width,
                                                                       double height) {
    if (!(visible.width > 0) || !(visible.height > 0)) return std::nullopt;
    FloatingClipboardPreviewArrowSide side;
    double freeWidth;
    const double right = visible.maxX() - (panel.maxX() + gap) - screenMargin;
    const double left = panel.minX() - gap - visible.minX() - screenMargin;
    if (right >= leastFreeWidth) {
        side = FloatingClipboardPreviewArrowSide::leading;
        freeWidth = right;
    } else if (left >= leastFreeWidth) {
        side = FloatingClipboardPreviewArrowSide::trailing;
        freeWidth = left;
    } else {
        return std::nullopt;
    }
    const double shownWidth = std::min(freeWidth, width);
    const double shownHeight =
        std::min(std::max(visible.height - 2 * 16 - shadowAbove - shadowBelow, leastHeight), height);
    const double x = side == FloatingClipboardPreviewArrowSide::leading ? panel.maxX() + gap
                                                                        : panel.minX() - gap - shownWidth;
    // Centred on the row, inside the margins; on a screen too short for both the bottom margin wins.
    const double highest = visible.minY() + topMargin;
    const double lowest = visible.maxY() - bottomMargin - shownHeight;
    const double wanted = anchor.midY() - shownHeight / 2;
    const double y = std::min(std::max(wanted, std::min(highest, lowest)), lowest);
    const double arrow = std::min(std::max(anchor.midY() - y, arrowClamp), shownHeight - arrowClamp);
    return FloatingClipboardPreviewPlacement{{x, y, shownWidth, shownHeight}, side, arrow};
}

std::optional<FloatingClipboardPreviewHostLayout> Calculator::hostLayout(
    ScreenRect panelFrame, const FloatingClipboardPreviewPlacement& placement) {
    const ScreenRect& f = placement.frame;
    const ScreenRect bubble{f.x - shadowLeft, f.y - shadowAbove, f.width + shadowLeft + shadowRight,
                            f.height + shadowAbove + shadowBelow};
    const double minX = std::min(panelFrame.minX(), bubble.minX());
    const double minY = std::min(panelFrame.minY(), bubble.minY());
    const double maxX = std::max(panelFrame.maxX(), bubble.maxX());
    const double maxY = std::max(panelFrame.maxY(), bubble.maxY());
    if (!(maxX - minX > 0) || !(maxY - minY > 0)) return std::nullopt;
    const auto local = [&](const ScreenRect& r) {
        return ScreenRect{r.x - minX, r.y - minY, r.width, r.height};
    };
    return FloatingClipboardPreviewHostLayout{
        {minX, minY, maxX - minX, maxY - minY}, local(panelFrame), local(bubble)};
}

}  // namespace quorvane
