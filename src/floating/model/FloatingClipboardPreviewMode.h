#pragma once

// The values the floating panel and its preview bubble exchange: how a bubble was opened, on which side of
// the panel it stands, and the panel's preview session. Plain values.

#include <optional>
#include <string>

namespace quorvane {

// `auto`: opened by the automatic preview; `manualPinned`: the user pinned it, it follows the selection.
enum class FloatingClipboardPreviewMode { automatic, manualPinned };

// `leading`: the bubble stands right of the panel, its arrow on its left edge; `trailing`: the mirror image.
enum class FloatingClipboardPreviewArrowSide { leading, trailing };

struct FloatingClipboardPreviewSessionState {
    // Absent: no preview session.
    std::optional<FloatingClipboardPreviewMode> mode;
    // The entry whose bubble is shown or being prepared.
    std::optional<std::string> presentedItemID;

    bool operator==(const FloatingClipboardPreviewSessionState&) const = default;
};

}  // namespace quorvane
