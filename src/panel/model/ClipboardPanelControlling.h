#pragma once

// One presentation of the clipboard panel (the centred panel or the floating one) as the panel coordinator
// drives it. Main thread only.

namespace quorvane {

class ClipboardPanelControlling {
public:
    virtual ~ClipboardPanelControlling() = default;

    virtual bool isPanelVisible() const = 0;
    virtual void showPanel() = 0;
    virtual void hidePanel() = 0;
};

}  // namespace quorvane
