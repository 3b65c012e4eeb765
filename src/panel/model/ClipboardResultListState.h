#pragma once

// The result list's rules without its widget: the rows it shows (entries with a show-more row, or filter
// suggestions), its selection and why it moved, pointer selection behind the hover gate, paging requests,
// and the user intents it reports. The widget draws this state and turns input into these calls; the
// panels' controllers install the callbacks. Intent callbacks run inside the call that caused them; a
// callback that is not set makes its event do nothing. Main thread only.

#include <functional>
#include <optional>
#include <vector>

#include "model/ClipboardHistoryIndexSnapshot.h"
#include "panel/model/ClipboardHoverSelectionGate.h"
#include "panel/model/ClipboardResultListModes.h"
#include "search/ClipboardFilterSuggestion.h"

namespace quorvane {

struct ClipboardResultListCallbacks {
    std::function<void(const ClipboardHistoryIndexSnapshot&)> onItemSelected;
    // Pointer selections only (mouse click, hover), never keyboard or programmatic moves.
    std::function<void(int row, ClipboardResultListSelectionSource)> onSelectionChanged;
    std::function<void(const ClipboardHistoryIndexSnapshot&)> onItemClicked;
    std::function<void(const ClipboardHistoryIndexSnapshot&)> onItemDoubleClicked;
    std::function<void(const ClipboardHistoryIndexSnapshot&)> onItemDelete;
    std::function<void(const ClipboardFilterSuggestion&)> onFilterSuggestionSelected;
    std::function<void()> onLoadMore;
};

// What the widget must do after a change of state.
struct ClipboardResultListUpdate {
    bool rowsChanged = false;       // row count or contents changed: relayout and repaint
    bool selectionChanged = false;  // repaint the selection
    bool scrollToTop = false;       // scroll to the first row
    bool keepVisibleRows = false;   // rows were appended: keep the rows on screen where they are
    bool revealSelection = false;   // scroll the selected row into view
    friend bool operator==(const ClipboardResultListUpdate&, const ClipboardResultListUpdate&) = default;
};

class ClipboardResultListState {
public:
    ClipboardResultListCallbacks callbacks;
    ClipboardHoverSelectionGate hoverSelectionGate;

    ClipboardResultListContentMode contentMode() const { return contentMode_; }
    const std::vector<ClipboardHistoryIndexSnapshot>& items() const { return items_; }
    const std::vector<ClipboardFilterSuggestion>& filterSuggestions() const { return suggestions_; }
    // The selected history row; may equal the entry count (the show-more row).
    int selectedIndex() const { return selectedIndex_; }
    int selectedSuggestionIndex() const { return selectedSuggestionIndex_; }
    // The row selected before the last keyboard or programmatic move (-1: none); steers scrolling.
    int previousSelectedIndex() const { return previousSelectedIndex_; }
    bool hasMoreItems() const { return hasMoreItems_; }
    bool isAutoLoadMorePending() const { return isAutoLoadMorePending_; }

    // Entries plus the show-more row, or the suggestions.
    int rowCount() const;
    bool isShowMoreRow(int row) const;
    bool isEntryRow(int row) const;
    // The row drawn selected in the current mode.
    int highlightedRow() const;
    // The entry at the selected row in history mode; none on the show-more row.
    std::optional<ClipboardHistoryIndexSnapshot> selectedItem() const;

    // Replaces the entries. `resetSelection` selects the first row and scrolls to the top (a fresh query);
    // otherwise the selection is clamped and the visible rows stay put (a page was appended). While
    // suggestions are shown the entries are only stored.
    ClipboardResultListUpdate setItems(std::vector<ClipboardHistoryIndexSnapshot> items, bool hasMore,
                                       bool resetSelection);
    ClipboardResultListUpdate setFilterSuggestions(std::vector<ClipboardFilterSuggestion> suggestions);
    ClipboardResultListUpdate exitFilterSuggestionMode();

    // Selects a history row (or the show-more row); nothing for the current row or an invalid one.
    ClipboardResultListUpdate selectItem(int index, ClipboardResultListSelectionSource source);
    ClipboardResultListUpdate moveFilterSuggestionSelection(bool up);
    // One step up or down in the current mode, from the keyboard.
    ClipboardResultListUpdate moveSelection(bool up);
    // Reports and returns the selected suggestion in suggestion mode.
    std::optional<ClipboardFilterSuggestion> confirmSelectedFilterSuggestion();
    void deleteSelectedItem();
    // With the show-more row selected, more entries and no load pending: marks a load pending and asks for
    // the next page. Returns whether it asked.
    bool triggerAutoLoadMoreIfNeeded();
    // The list was scrolled; `nearEnd` from the geometry. Asks for the next page at most once per page.
    bool scrolled(bool nearEnd);

    // Pointer input, by row.
    ClipboardResultListUpdate primaryMouseDown(int row);
    void clicked(int row);
    ClipboardResultListUpdate doubleClicked(int row);
    // Selects the entry under a secondary click; true when its context menu should open.
    bool secondaryMouseDown(int row, ClipboardResultListUpdate& update);
    // The pointer entered `row` at `location` (screen coordinates).
    ClipboardResultListUpdate hovered(int row, ClipboardPointerLocation location);
    // A scroll-wheel event over the list with the pointer at `location`.
    void scrollWheel(ClipboardPointerLocation location);

private:
    ClipboardResultListUpdate selectSuggestion(int index, bool reveal);
    void reportSelectedEntry();

    ClipboardResultListContentMode contentMode_ = ClipboardResultListContentMode::history;
    std::vector<ClipboardHistoryIndexSnapshot> items_;
    std::vector<ClipboardFilterSuggestion> suggestions_;
    int selectedIndex_ = 0;
    int selectedSuggestionIndex_ = 0;
    int previousSelectedIndex_ = -1;
    bool hasMoreItems_ = false;
    bool isAutoLoadMorePending_ = false;
};

}  // namespace quorvane
