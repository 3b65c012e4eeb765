#pragma once

// Where the floating panel goes next to its anchor: the panel's top-left corner in global screen coordinates
// (origin top-left of the primary screen, y downwards), kept on the anchor's screen. Pure functions over the
// screen list; main queue only (they ask the screen provider). Also finds the screen for the preview bubble.

#include <optional>

#include "platform/ScreenGeometry.h"
#include "platform/ScreenProvider.h"

namespace quorvane {

class FloatingClipboardPositionCalculator {
public:
    FloatingClipboardPositionCalculator() = delete;

    static constexpr ScreenSize panelSize{420, 360};
    static constexpr double gap = 12;

    // The first screen whose frame holds `point`; else the screen of our focused window, the primary
    // screen, the first screen; nothing only without screens.
    static std::optional<ScreenDescription> screen(const ScreenProvider& screens, ScreenPoint containing);

    // Centred under the pointer, `gap` below it, or above it when there is no room below; kept inside the
    // work area of the pointer's screen (flush with its top and right edges when it does not fit).
    static ScreenPoint panelOrigin(const ScreenProvider& screens, ScreenPoint mouse, ScreenSize panelSize,
                                   double gap);
    // Left edge at the caret and top edge `gap` below the caret's line, or the bottom edge `gap` above the
    // caret when there is no room below; kept `gap` inside the frame of the caret's screen.
    static ScreenPoint panelOrigin(const ScreenProvider& screens, ScreenRect caretRect, ScreenSize panelSize,
                                   double gap);
};

}  // namespace quorvane
