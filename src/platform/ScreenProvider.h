#pragma once

// The screens of the desktop and the mouse pointer, in Qt's global coordinates (ScreenGeometry.h). The caret
// lookup scores rectangles against the screens and the floating panel places itself on one. Call on the main
// queue.

#include <optional>
#include <vector>

#include "platform/ScreenGeometry.h"

namespace quorvane {

struct ScreenDescription {
    // The whole screen.
    ScreenRect frame;
    // The part that panels and docks leave free (the work area).
    ScreenRect visibleFrame;
    // X server pixels per device-independent pixel (QT_SCALE_FACTOR, the desktop's font scaling).
    double devicePixelRatio = 1;

    bool operator==(const ScreenDescription&) const = default;
};

class ScreenProvider {
public:
    virtual ~ScreenProvider() = default;

    // Every screen, the primary one first; empty when there is no display.
    virtual std::vector<ScreenDescription> screens() const = 0;
    // The primary screen, whose top-left corner is the origin of global coordinates; nothing without screens.
    virtual std::optional<ScreenDescription> mainScreen() const = 0;
    // The screen of this program's focused window; nothing when none of its windows has focus.
    virtual std::optional<ScreenDescription> keyWindowScreen() const = 0;
    // Where the mouse pointer is now.
    virtual ScreenPoint mouseLocation() const = 0;
};

}  // namespace quorvane
