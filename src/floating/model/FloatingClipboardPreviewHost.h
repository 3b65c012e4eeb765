#pragma once

// What the preview coordination needs to know about the floating panel to place a bubble: whether the panel
// shows, where its list and the selected row are on the screen, and how tall a short text wraps. Implemented
// by the panel's controller. Main thread only.

#include <optional>
#include <string>

#include "floating/model/FloatingClipboardPreviewPlacement.h"
#include "platform/ScreenGeometry.h"

namespace quorvane {

class FloatingClipboardPreviewHost {
public:
    virtual ~FloatingClipboardPreviewHost() = default;

    virtual bool isPanelVisible() const = 0;
    // A show is waiting for its anchor.
    virtual bool isShowPending() const = 0;
    // The selected row's rectangle on the screen; none when it has none.
    virtual std::optional<ScreenRect> selectedRowScreenRect() const = 0;
    // The list surface's frame on the screen; none without a window.
    virtual std::optional<ScreenRect> panelScreenFrame() const = 0;
    // The bubble's place for a panel, a row and a wanted size; none when neither side has room.
    virtual std::optional<FloatingClipboardPreviewPlacement> previewPlacement(ScreenRect panel,
                                                                              ScreenRect row, double width,
                                                                              double height) const = 0;
    // The height of `text` wrapped at `width` in the bubble's regular font.
    virtual double wrappedTextHeight(const std::string& text, double width) const = 0;
    // True while the list shows filter suggestions instead of entries.
    virtual bool isShowingFilterSuggestions() const = 0;
};

}  // namespace quorvane
