#pragma once

// What the floating panel hands its preview presenter: the entry, its content, where the bubble goes and how
// it shows the text. The host window is the floating panel's own. Plain value.

#include "floating/model/FloatingClipboardPreviewMode.h"
#include "floating/model/FloatingClipboardPreviewPlacement.h"
#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"

namespace quorvane {

struct FloatingClipboardPreviewRequest {
    ClipboardHistoryIndexSnapshot item;
    ClipboardHistoryContentSnapshot content;
    FloatingClipboardPreviewPlacement placement;
    FloatingClipboardPreviewMode mode = FloatingClipboardPreviewMode::automatic;
    // Show the pretty-printed text at once when the text can be formatted.
    bool isFormattingEnabled = false;

    bool operator==(const FloatingClipboardPreviewRequest&) const = default;
};

}  // namespace quorvane
