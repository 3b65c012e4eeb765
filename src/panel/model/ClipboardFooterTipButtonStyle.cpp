#include "panel/model/ClipboardFooterTipButtonStyle.h"

#include <algorithm>

namespace quorvane {

ClipboardFooterTipButtonStyle::Size ClipboardFooterTipButtonStyle::intrinsicSize(double contentWidth,
                                                                                 double contentHeight) {
    return {contentWidth + 12, std::max(contentHeight + 4, 22.0)};
}

ClipboardFooterTipButtonStyle::Appearance ClipboardFooterTipButtonStyle::appearance(bool pressed,
                                                                                    bool hovered) {
    if (pressed) return {0.14, 1.0, false};
    if (hovered) return {0.12, 0.88, false};
    return {0, 1.0, true};
}

bool ClipboardFooterTipButtonStyle::pointerEntered() {
    const bool changed = !hovered_;
    hovered_ = true;
    return changed;
}

bool ClipboardFooterTipButtonStyle::pointerExited() {
    const bool changed = hovered_;
    hovered_ = false;
    return changed;
}

}  // namespace quorvane
