#pragma once

// The preview bubble beside the floating panel, as the panel's preview coordination drives it. The bubble
// lives inside the panel's window, which grows to hold it. Main thread only.

#include <functional>
#include <optional>
#include <string>

#include "floating/model/FloatingClipboardPreviewRequest.h"

namespace quorvane {

class FloatingClipboardPreviewPresenting {
public:
    virtual ~FloatingClipboardPreviewPresenting() = default;

    // Shows the bubble for `request`, fading it in unless it already shows in the panel.
    virtual void present(const FloatingClipboardPreviewRequest& request) = 0;
    // Moves and refills a bubble on show without fading; presents it when none shows.
    virtual void update(const FloatingClipboardPreviewRequest& request) = 0;
    // Hides the bubble and gives the panel's window back its own size.
    virtual void dismiss() = 0;
    // The bubble shows in the panel's window.
    virtual bool isShowing() const = 0;
    // The text selected in the bubble; none when nothing is selected or the bubble is hidden.
    virtual std::optional<std::string> selectedText() const = 0;
    // Switches a showing bubble between the formatted and the raw text; false when it could not.
    virtual bool setShowsFormattedText(bool formatted) = 0;
    // Called when the user asks the bubble for the formatted text (its format button).
    virtual void setOnFormatRequested(std::function<void()> onFormatRequested) = 0;
};

}  // namespace quorvane
