#pragma once

// Where the floating panel should open, asked by its controller each time it is shown. Main queue only.

#include "floating/model/FloatingPanelAnchor.h"

namespace quorvane {

class ClipboardFloatingAnchorResolving {
public:
    virtual ~ClipboardFloatingAnchorResolving() = default;

    // The caret when the process may read it and a caret is found, else the mouse pointer.
    virtual FloatingPanelAnchor resolveAnchor() = 0;
};

}  // namespace quorvane
