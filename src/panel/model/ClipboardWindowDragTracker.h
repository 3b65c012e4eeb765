#pragma once

// Moving a frameless panel by dragging its background: the window follows the pointer with the grab offset
// kept, at most 120 moves a second, and the owner hears once, when the button is released, so it can store
// the new position. Times are seconds of a monotonic clock. Main thread only.

#include <optional>

#include "panel/model/ClipboardHoverSelectionGate.h"

namespace quorvane {

class ClipboardWindowDragTracker {
public:
    static constexpr double updateInterval = 1.0 / 120.0;

    // The button went down at `now` at `pointer` (screen) over a window whose top-left corner is at
    // `windowOrigin`. A drag that ends within one interval of the press moves nothing.
    void pressed(ClipboardPointerLocation pointer, ClipboardPointerLocation windowOrigin, double now);
    // The new window origin for a drag to `pointer` at `now`, or none when the last move was too recent.
    std::optional<ClipboardPointerLocation> dragged(ClipboardPointerLocation pointer, double now);

private:
    ClipboardPointerLocation initialLocation_;
    double lastUpdateTime_ = 0;
};

}  // namespace quorvane
