#pragma once

// Where the floating panel opens: at the text caret, or at the mouse pointer when no caret is known. Both in
// global screen coordinates (origin top-left of the primary screen, y downwards). Plain value.

#include "platform/ScreenGeometry.h"

namespace quorvane {

struct FloatingPanelAnchor {
    enum class Kind { caret, mouse };

    Kind kind = Kind::mouse;
    // For `caret`: the caret's rectangle.
    ScreenRect caretRect;
    // For `mouse`: the pointer.
    ScreenPoint mousePoint;

    static FloatingPanelAnchor caret(ScreenRect rect) { return {Kind::caret, rect, {}}; }
    static FloatingPanelAnchor mouse(ScreenPoint point) { return {Kind::mouse, {}, point}; }

    bool operator==(const FloatingPanelAnchor&) const = default;
};

}  // namespace quorvane
