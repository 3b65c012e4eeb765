#pragma once

// Where the preview bubble stands beside the floating panel, and how the panel's window grows to hold both.
// Global screen coordinates (origin top-left, y downwards). Pure functions; main queue only when they ask
// the screen provider.

#include <optional>

#include "floating/model/FloatingClipboardPreviewMode.h"
#include "platform/ScreenGeometry.h"
#include "platform/ScreenProvider.h"

namespace quorvane {

struct FloatingClipboardPreviewPlacement {
    // The bubble's outline, arrow strip included; its shadows lie outside.
    ScreenRect frame;
    FloatingClipboardPreviewArrowSide arrowSide = FloatingClipboardPreviewArrowSide::leading;
    // The arrow tip's distance from the top edge of `frame`.
    double arrowCenterY = 0;

    bool operator==(const FloatingClipboardPreviewPlacement&) const = default;
};

// The panel's window while the bubble shows: the union of the panel and the bubble with its shadow margins,
// and both parts in the window's own coordinates.
struct FloatingClipboardPreviewHostLayout {
    ScreenRect windowFrame;
    ScreenRect panelFrameInWindow;
    ScreenRect bubbleFrameInWindow;

    bool operator==(const FloatingClipboardPreviewHostLayout&) const = default;
};

class FloatingClipboardPreviewPlacementCalculator {
public:
    FloatingClipboardPreviewPlacementCalculator() = delete;

    static constexpr double gap = 4;
    static constexpr double screenMargin = 8;
    static constexpr double leastFreeWidth = 320;
    static constexpr double bottomMargin = 16 + 12;
    static constexpr double topMargin = 16 + 7;
    static constexpr double leastHeight = 140;
    static constexpr double arrowClamp = 30;
    // The shadows need room around the outline inside the window.
    static constexpr double shadowLeft = 8, shadowRight = 8, shadowBelow = 12, shadowAbove = 7;

    // Beside `panel`, centred on the row `anchor`, right of it when there is room, else left; nothing when
    // neither side has `leastFreeWidth` or there is no usable screen. `visibleFrame` none: the work area of
    // the screen holding the anchor.
    static std::optional<FloatingClipboardPreviewPlacement> placement(const ScreenProvider& screens,
                                                                      std::optional<ScreenRect> visibleFrame,
                                                                      ScreenRect anchor, ScreenRect panel,
                                                                      double width, double height);
    // For a given work area.
    static std::optional<FloatingClipboardPreviewPlacement> placement(ScreenRect visibleFrame,
                                                                      ScreenRect anchor, ScreenRect panel,
                                                                      double width, double height);

    static std::optional<FloatingClipboardPreviewHostLayout> hostLayout(
        ScreenRect panelFrame, const FloatingClipboardPreviewPlacement& placement);
};

}  // namespace quorvane
