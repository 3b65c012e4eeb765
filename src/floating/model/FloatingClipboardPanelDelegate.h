#pragma once

// The callbacks of the floating panel's window: what the keys, the search field and the footer buttons ask
// for. Implemented by the floating panel's controller; the window holds it weakly. Main thread only.

#include <string>

#include "panel/model/ClipboardFooterStatusPresentation.h"

namespace quorvane {

class FloatingClipboardPanelDelegate {
public:
    virtual ~FloatingClipboardPanelDelegate() = default;

    virtual void searchTextDidChange(const std::string& text) = 0;
    virtual void copySelection() = 0;
    virtual void moveSelection(bool up) = 0;
    virtual void confirmSelection() = 0;
    virtual void confirmSelectionAsPlainText() = 0;
    virtual void deleteSelectedItem() = 0;
    virtual void showActionsMenuForSelectedItem() = 0;
    virtual void openSelectedItemWithDefaultApp() = 0;
    virtual void saveSelectedItem() = 0;
    virtual void pinSelectedItem() = 0;
    virtual void toggleFormattingForSelectedItem() = 0;
    virtual void togglePinnedPreview() = 0;
    // True when a suggestion was applied.
    virtual bool acceptSelectedFilterSuggestion() = 0;
    // True when a filter being typed was removed.
    virtual bool cancelFilterSuggestion() = 0;
    virtual void hidePanel() = 0;
    virtual void openSettings() = 0;
    // The footer's action button (the update notice's "Update Now...").
    virtual void performFooterAction(ClipboardFooterStatusPresentation::Action::Kind kind) = 0;
};

}  // namespace quorvane
