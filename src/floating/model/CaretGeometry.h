#pragma once

// The rectangle rules the caret lookup shares: putting a program's answer into screen coordinates when it
// came in the vertically flipped convention, the tests a caret rectangle must pass, and the search-field
// correction. Stateless over the screen list; main queue only (it asks the screen provider).

#include <string>

#include "platform/ScreenGeometry.h"
#include "platform/ScreenProvider.h"

namespace quorvane {

class CaretGeometry {
public:
    explicit CaretGeometry(const ScreenProvider& screens) : screens_(screens) {}

    // The rectangle, standardised, or its mirror about the primary screen's horizontal centre line when the
    // mirror lies better on the screens (screenPlausibilityScore); unchanged without a primary screen.
    // Programs that answer in the bottom-up convention get their rectangles turned the right way up.
    ScreenRect convertToScreenCoordinates(const ScreenRect& rect) const;
    // How well the rectangle sits on the screens: higher is better.
    int screenPlausibilityScore(const ScreenRect& rect) const;
    // An answer that means "no position": a rectangle at the origin, or far above every screen.
    static bool isDegenerateRect(const ScreenRect& rect);
    // A caret-sized rectangle (8 to 60 high) on or near a screen; with no screens only the height counts.
    bool isPlausibleCaretRect(const ScreenRect& rect) const;
    // The looser test for marker-range answers (5 to 200 high, origin on or near a screen); logs why not.
    bool isValidCaretRect(const ScreenRect& rect) const;
    // Mirrors a single-line field's caret in the upper half of its screen about that screen's centre line,
    // for programs that report such fields bottom-up; other roles and lower-half carets stay unchanged.
    ScreenRect adjustSearchFieldRect(const ScreenRect& rect, const std::string& role,
                                     const ScreenRect& elementFrame) const;

    // Mirrored about the primary screen's horizontal centre line of height `height` at `top`.
    static ScreenRect flipped(const ScreenRect& rect, double top, double height);

private:
    const ScreenProvider& screens_;
};

}  // namespace quorvane
