#include "panel/model/ClipboardResultListState.h"

#include <algorithm>

namespace quorvane {

int ClipboardResultListState::rowCount() const {
    if (contentMode_ == ClipboardResultListContentMode::filterSuggestions) {
        return static_cast<int>(suggestions_.size());
    }
    return static_cast<int>(items_.size()) + (hasMoreItems_ ? 1 : 0);
}

bool ClipboardResultListState::isShowMoreRow(int row) const {
    return contentMode_ == ClipboardResultListContentMode::history && hasMoreItems_ &&
           row == static_cast<int>(items_.size());
}

bool ClipboardResultListState::isEntryRow(int row) const {
    return contentMode_ == ClipboardResultListContentMode::history && row >= 0 &&
           row < static_cast<int>(items_.size());
}

int ClipboardResultListState::highlightedRow() const {
    return contentMode_ == ClipboardResultListContentMode::filterSuggestions ? selectedSuggestionIndex_
                                                                             : selectedIndex_;
}

std::optional<ClipboardHistoryIndexSnapshot> ClipboardResultListState::selectedItem() const {
    if (!isEntryRow(selectedIndex_)) return std::nullopt;
    return items_[selectedIndex_];
}

ClipboardResultListUpdate ClipboardResultListState::setItems(std::vector<ClipboardHistoryIndexSnapshot> items,
                                                             bool hasMore, bool resetSelection) {
    items_ = std::move(items);
    hasMoreItems_ = hasMore;
    isAutoLoadMorePending_ = false;
    if (contentMode_ == ClipboardResultListContentMode::filterSuggestions) return {};

    const int rows = rowCount();
    if (rows == 0) {
        selectedIndex_ = 0;
        previousSelectedIndex_ = -1;
    } else if (resetSelection) {
        selectedIndex_ = 0;
    } else {
        selectedIndex_ = std::clamp(selectedIndex_, 0, rows - 1);
    }
    ClipboardResultListUpdate update;
    update.rowsChanged = true;
    update.selectionChanged = true;
    update.scrollToTop = resetSelection;
    update.keepVisibleRows = !resetSelection;
    if (isEntryRow(selectedIndex_)) reportSelectedEntry();
    return update;
}

ClipboardResultListUpdate ClipboardResultListState::setFilterSuggestions(
    std::vector<ClipboardFilterSuggestion> suggestions) {
    contentMode_ = ClipboardResultListContentMode::filterSuggestions;
    suggestions_ = std::move(suggestions);
    const int count = static_cast<int>(suggestions_.size());
    selectedSuggestionIndex_ = count == 0 ? 0 : std::clamp(selectedSuggestionIndex_, 0, count - 1);
    previousSelectedIndex_ = -1;
    isAutoLoadMorePending_ = false;
    hasMoreItems_ = false;
    ClipboardResultListUpdate update;
    update.rowsChanged = true;
    update.selectionChanged = true;
    update.scrollToTop = true;
    return update;
}

ClipboardResultListUpdate ClipboardResultListState::exitFilterSuggestionMode() {
    if (contentMode_ != ClipboardResultListContentMode::filterSuggestions) return {};
    contentMode_ = ClipboardResultListContentMode::history;
    suggestions_.clear();
    selectedSuggestionIndex_ = 0;
    previousSelectedIndex_ = -1;
    isAutoLoadMorePending_ = false;
    const int rows = rowCount();
    selectedIndex_ = rows == 0 ? 0 : std::clamp(selectedIndex_, 0, rows - 1);
    ClipboardResultListUpdate update;
    update.rowsChanged = true;
    update.selectionChanged = true;
    return update;
}

ClipboardResultListUpdate ClipboardResultListState::selectItem(int index,
                                                               ClipboardResultListSelectionSource source) {
    if (contentMode_ != ClipboardResultListContentMode::history || items_.empty()) return {};
    if (index < 0 || index >= rowCount() || index == selectedIndex_) return {};
    previousSelectedIndex_ = selectedIndex_;
    selectedIndex_ = index;
    if (isEntryRow(index)) reportSelectedEntry();
    if (source == ClipboardResultListSelectionSource::mouseClick ||
        source == ClipboardResultListSelectionSource::hover) {
        if (callbacks.onSelectionChanged) callbacks.onSelectionChanged(index, source);
    }
    ClipboardResultListUpdate update;
    update.selectionChanged = true;
    update.revealSelection = true;
    return update;
}

ClipboardResultListUpdate ClipboardResultListState::moveFilterSuggestionSelection(bool up) {
    if (contentMode_ != ClipboardResultListContentMode::filterSuggestions || suggestions_.empty()) return {};
    const int count = static_cast<int>(suggestions_.size());
    const int next =
        up ? std::max(selectedSuggestionIndex_ - 1, 0) : std::min(selectedSuggestionIndex_ + 1, count - 1);
    return selectSuggestion(next, true);
}

ClipboardResultListUpdate ClipboardResultListState::moveSelection(bool up) {
    if (contentMode_ == ClipboardResultListContentMode::filterSuggestions) {
        return moveFilterSuggestionSelection(up);
    }
    const int rows = rowCount();
    if (rows == 0) return {};
    const int next = std::clamp(selectedIndex_ + (up ? -1 : 1), 0, rows - 1);
    return selectItem(next, ClipboardResultListSelectionSource::keyboard);
}

std::optional<ClipboardFilterSuggestion> ClipboardResultListState::confirmSelectedFilterSuggestion() {
    if (contentMode_ != ClipboardResultListContentMode::filterSuggestions) return std::nullopt;
    if (selectedSuggestionIndex_ < 0 || selectedSuggestionIndex_ >= static_cast<int>(suggestions_.size())) {
        return std::nullopt;
    }
    const ClipboardFilterSuggestion suggestion = suggestions_[selectedSuggestionIndex_];
    if (callbacks.onFilterSuggestionSelected) callbacks.onFilterSuggestionSelected(suggestion);
    return suggestion;
}

void ClipboardResultListState::deleteSelectedItem() {
    if (const auto item = selectedItem(); item && callbacks.onItemDelete) callbacks.onItemDelete(*item);
}

bool ClipboardResultListState::triggerAutoLoadMoreIfNeeded() {
    if (contentMode_ != ClipboardResultListContentMode::history) return false;
    if (selectedIndex_ != static_cast<int>(items_.size()) || !hasMoreItems_ || isAutoLoadMorePending_ ||
        !callbacks.onLoadMore) {
        return false;
    }
    isAutoLoadMorePending_ = true;
    callbacks.onLoadMore();
    return true;
}

bool ClipboardResultListState::scrolled(bool nearEnd) {
    if (contentMode_ != ClipboardResultListContentMode::history || !hasMoreItems_ || isAutoLoadMorePending_ ||
        !callbacks.onLoadMore || !nearEnd) {
        return false;
    }
    isAutoLoadMorePending_ = true;
    callbacks.onLoadMore();
    return true;
}

ClipboardResultListUpdate ClipboardResultListState::primaryMouseDown(int row) {
    if (contentMode_ == ClipboardResultListContentMode::filterSuggestions)
        return selectSuggestion(row, false);
    if (!isEntryRow(row)) return {};
    ClipboardResultListUpdate update;
    update.selectionChanged = row != selectedIndex_;
    selectedIndex_ = row;
    reportSelectedEntry();
    if (callbacks.onSelectionChanged) {
        callbacks.onSelectionChanged(row, ClipboardResultListSelectionSource::mouseClick);
    }
    return update;
}

void ClipboardResultListState::clicked(int row) {
    if (contentMode_ == ClipboardResultListContentMode::filterSuggestions) {
        if (row < 0 || row >= static_cast<int>(suggestions_.size())) return;
        selectSuggestion(row, false);
        confirmSelectedFilterSuggestion();
        return;
    }
    if (isShowMoreRow(row)) {
        // A click asks at once, whether or not a load is already pending.
        if (callbacks.onLoadMore) callbacks.onLoadMore();
        return;
    }
    if (isEntryRow(row) && callbacks.onItemClicked) callbacks.onItemClicked(items_[row]);
}

ClipboardResultListUpdate ClipboardResultListState::doubleClicked(int row) {
    if (contentMode_ == ClipboardResultListContentMode::filterSuggestions) {
        if (row < 0 || row >= static_cast<int>(suggestions_.size())) return {};
        auto update = selectSuggestion(row, false);
        confirmSelectedFilterSuggestion();
        return update;
    }
    if (!isEntryRow(row)) return {};
    ClipboardResultListUpdate update;
    update.selectionChanged = row != selectedIndex_;
    selectedIndex_ = row;
    if (callbacks.onSelectionChanged) {
        callbacks.onSelectionChanged(row, ClipboardResultListSelectionSource::mouseClick);
    }
    if (callbacks.onItemDoubleClicked) callbacks.onItemDoubleClicked(items_[row]);
    return update;
}

bool ClipboardResultListState::secondaryMouseDown(int row, ClipboardResultListUpdate& update) {
    if (contentMode_ != ClipboardResultListContentMode::history || !isEntryRow(row)) return false;
    update = primaryMouseDown(row);
    return true;
}

ClipboardResultListUpdate ClipboardResultListState::hovered(int row, ClipboardPointerLocation location) {
    if (!hoverSelectionGate.allowsHoverSelection(location)) return {};
    if (contentMode_ == ClipboardResultListContentMode::filterSuggestions)
        return selectSuggestion(row, false);
    if (row < 0 || row >= rowCount() || row == selectedIndex_) return {};
    selectedIndex_ = row;
    if (isEntryRow(row)) reportSelectedEntry();
    if (callbacks.onSelectionChanged)
        callbacks.onSelectionChanged(row, ClipboardResultListSelectionSource::hover);
    ClipboardResultListUpdate update;
    update.selectionChanged = true;
    return update;
}

void ClipboardResultListState::scrollWheel(ClipboardPointerLocation location) {
    hoverSelectionGate.noteScroll(location);
}

ClipboardResultListUpdate ClipboardResultListState::selectSuggestion(int index, bool reveal) {
    if (index < 0 || index >= static_cast<int>(suggestions_.size()) || index == selectedSuggestionIndex_) {
        return {};
    }
    previousSelectedIndex_ = selectedSuggestionIndex_;
    selectedSuggestionIndex_ = index;
    ClipboardResultListUpdate update;
    update.selectionChanged = true;
    update.revealSelection = reveal;
    return update;
}

void ClipboardResultListState::reportSelectedEntry() {
    if (callbacks.onItemSelected && isEntryRow(selectedIndex_))
        callbacks.onItemSelected(items_[selectedIndex_]);
}

}  // namespace quorvane
