#pragma once

// Scrolling moves rows under a still pointer, which would otherwise select whatever row slides beneath it.
// The gate refuses hover selection after a scroll until the pointer itself has moved, and refuses a second
// hover selection at the spot of the last one. Points are in screen coordinates. Main thread only.

#include <optional>

namespace quorvane {

struct ClipboardPointerLocation {
    double x = 0;
    double y = 0;
    friend bool operator==(const ClipboardPointerLocation&, const ClipboardPointerLocation&) = default;
};

class ClipboardHoverSelectionGate {
public:
    // Below this distance (the larger of |dx| and |dy|) the pointer counts as not moved.
    double movementThreshold = 0.5;
    bool isHoverSuppressedUntilPointerMoves = false;
    std::optional<ClipboardPointerLocation> pointerLocationWhenSuppressed;
    std::optional<ClipboardPointerLocation> pointerLocationForLastHoverSelection;

    // A scroll-wheel event with the pointer at `location`: suppresses hover until the pointer moves.
    void noteScroll(ClipboardPointerLocation location);
    // Whether a row entered at `location` may take the selection; records the location when it may.
    bool allowsHoverSelection(ClipboardPointerLocation location);

private:
    bool isNear(ClipboardPointerLocation a, ClipboardPointerLocation b) const;
};

}  // namespace quorvane
