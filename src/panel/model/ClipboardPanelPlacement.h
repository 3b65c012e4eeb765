#pragma once

// Where the centred panel opens: on the screen under the mouse pointer, centred horizontally with its centre
// a third of the work area below the work area's top, or where the user last left it when that place still
// touches the screen. The place is stored as the window's top-left corner in global coordinates under
// "ClipboardPanelPosition" ({"x": number, "y": number}); the size is never stored. Pure functions over
// plain values, except the two that read and write the settings. Main thread only.

#include <optional>
#include <vector>

#include "platform/ScreenGeometry.h"
#include "platform/ScreenProvider.h"

namespace quorvane {

class UserDefaults;

class ClipboardPanelPlacement {
public:
    ClipboardPanelPlacement() = delete;

    static constexpr const char* positionDefaultsKey = "ClipboardPanelPosition";
    static constexpr double panelWidth = 780;
    static constexpr double panelHeight = 460;

    // The first screen containing the mouse pointer, else the screen of our focused window, else the main
    // screen, else the first one; none without screens.
    static std::optional<ScreenDescription> chooseScreen(const ScreenProvider& screens);
    // The panel's size on a screen of `devicePixelRatio`, each side cut down to whole device pixels.
    static ScreenSize panelSize(double devicePixelRatio);
    // The top-left corner of a window of `size` centred on `visibleFrame`, kept inside it.
    static ScreenPoint centredOrigin(ScreenSize size, const ScreenRect& visibleFrame);
    // `origin` pulled inside `visibleFrame` when the window there still overlaps it (or the corner lies in
    // it); the centred origin otherwise.
    static ScreenPoint restoredOrigin(ScreenPoint origin, ScreenSize size, const ScreenRect& visibleFrame);

    // The stored corner; none when the value is missing, not a dictionary of numbers, lacks "x" or "y", or
    // holds a number that is not finite.
    static std::optional<ScreenPoint> savedPosition(const UserDefaults& userDefaults);
    static void savePosition(UserDefaults& userDefaults, ScreenPoint origin);
    static void forgetPosition(UserDefaults& userDefaults);

private:
    static ScreenPoint clamped(ScreenPoint origin, ScreenSize size, const ScreenRect& visibleFrame);
};

}  // namespace quorvane
