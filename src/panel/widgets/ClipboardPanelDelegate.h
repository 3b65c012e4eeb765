#pragma once

// What the centred panel asks of its controller: every key and button of the panel ends in one of these
// calls, and the panel reads the list, the detail pane and the view model through it. Implemented by
// ClipboardPanelController. Main thread only.

#include <optional>
#include <string>

#include "model/ClipboardHistoryIndexSnapshot.h"

namespace quorvane {

class ClipboardPanelViewModel;
class ClipboardResultListView;
class ClipboardDetailView;

class ClipboardPanelDelegate {
public:
    virtual ~ClipboardPanelDelegate() = default;

    virtual void hidePanel() = 0;
    // True when a filter suggestion was showing and is now cancelled.
    virtual bool cancelFilterSuggestion() = 0;
    // True when a suggestion was applied.
    virtual bool acceptSelectedFilterSuggestion() = 0;
    virtual bool selectAllDetailText() = 0;
    virtual std::optional<std::string> selectedDetailText() = 0;
    virtual void copyItem(const ClipboardHistoryIndexSnapshot& entry, bool asPlainText) = 0;
    virtual void searchTextDidChange(const std::string& text) = 0;
    virtual void moveSelection(bool up) = 0;
    virtual void confirmSelection() = 0;
    virtual void confirmSelectionAsPlainText() = 0;
    virtual void showActionsMenuForSelectedItem() = 0;
    virtual void openSelectedItemWithDefaultApp() = 0;
    virtual void saveSelectedItem() = 0;
    virtual void pinSelectedItem() = 0;
    virtual void clipboardPanelDidResizeSplitView() = 0;
    virtual void openSettings() = 0;
    virtual void checkForUpdates() = 0;

    virtual ClipboardResultListView& clipboardResultListView() = 0;
    virtual ClipboardDetailView& clipboardDetailView() = 0;
    virtual ClipboardPanelViewModel& viewModel() = 0;
};

}  // namespace quorvane
