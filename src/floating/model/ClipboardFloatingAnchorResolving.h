#pragma once

// Where the floating panel should open, asked by its controller each time it is shown. Main queue only.

#include "floating/model/FloatingPanelAnchor.h"

namespace quorvane {

class ClipboardFloatingAnchorResolving {
public:
    virtual ~ClipboardFloatingAnchorResolving() = default;

    // The caret when the process may read it and a caret is found, else the mouse pointer.
    virtual FloatingPanelAnchor resolveAnchor() = 0;
    // The mouse pointer, without looking for a caret: for when one of our own windows is active, whose
    // caret the lookup would ask this very (busy) process for.
    virtual FloatingPanelAnchor mouseAnchor() = 0;
};

}  // namespace quorvane
