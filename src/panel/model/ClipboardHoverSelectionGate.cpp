#include "panel/model/ClipboardHoverSelectionGate.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

void ClipboardHoverSelectionGate::noteScroll(ClipboardPointerLocation location) {
    isHoverSuppressedUntilPointerMoves = true;
    pointerLocationWhenSuppressed = location;
    pointerLocationForLastHoverSelection = location;
}

bool ClipboardHoverSelectionGate::allowsHoverSelection(ClipboardPointerLocation location) {
    if (isHoverSuppressedUntilPointerMoves) {
        if (pointerLocationWhenSuppressed && isNear(location, *pointerLocationWhenSuppressed)) return false;
        isHoverSuppressedUntilPointerMoves = false;
        pointerLocationWhenSuppressed.reset();
    }
    if (pointerLocationForLastHoverSelection && isNear(location, *pointerLocationForLastHoverSelection)) {
        return false;
    }
    pointerLocationForLastHoverSelection = location;
    return true;
}

bool ClipboardHoverSelectionGate::isNear(ClipboardPointerLocation a, ClipboardPointerLocation b) const {
    return std::max(std::abs(a.x - b.x), std::abs(a.y - b.y)) < movementThreshold;
}

}  // namespace quorvane
