#include "panel/model/ClipboardWindowDragTracker.h"

namespace quorvane {

void ClipboardWindowDragTracker::pressed(ClipboardPointerLocation pointer,
                                         ClipboardPointerLocation windowOrigin, double now) {
    initialLocation_ = {pointer.x - windowOrigin.x, pointer.y - windowOrigin.y};
    lastUpdateTime_ = now;
}

std::optional<ClipboardPointerLocation> ClipboardWindowDragTracker::dragged(ClipboardPointerLocation pointer,
                                                                            double now) {
    if (now - lastUpdateTime_ < updateInterval) return std::nullopt;
    lastUpdateTime_ = now;
    return ClipboardPointerLocation{pointer.x - initialLocation_.x, pointer.y - initialLocation_.y};
}

}  // namespace quorvane
