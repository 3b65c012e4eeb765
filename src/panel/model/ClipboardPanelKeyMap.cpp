#include "panel/model/ClipboardPanelKeyMap.h"

namespace quorvane {

bool ClipboardPanelKeyMap::handleKeyDown(const ClipboardPanelKeyPress& press,
                                         ClipboardPanelKeyTarget& target) {
    const auto key = press.keyCode;

    if (key == escape) {
        if (!target.cancelFilterSuggestion()) target.dismissPanel();
        return true;
    }
    if (key == tab) {
        // Swallowed even when there is nothing to accept: focus never leaves the search field.
        if (!target.acceptSelectedFilterSuggestion() && target.hasGhostSuffix()) target.acceptGhost();
        return true;
    }
    if (press.command && key == a) {
        if (target.isSearchFieldEditing()) {
            target.selectAllSearchTextLater();
            return true;
        }
        return target.selectAllDetailText();
    }
    if (press.command && key == c) {
        if (target.isSearchFieldEditing() && target.searchFieldHasSelection()) {
            if (const auto text = target.selectedSearchText()) target.copyPlainText(*text);
            return true;
        }
        if (const auto text = target.selectedDetailText(); text && !text->empty()) {
            target.copyPlainText(*text);
            return true;
        }
        if (!target.showsFilterSuggestions()) target.copySelectedItem();
        return true;
    }
    if (press.command && key == v) {
        if (!target.isSearchFieldEditing()) return false;
        target.pasteIntoSearchField();
        return true;
    }
    if (key == up || (press.control && key == p)) {
        if (target.showsFilterSuggestions())
            target.moveFilterSuggestionSelection(true);
        else
            target.moveViewModelSelection(true);
        return true;
    }
    if (press.control && key == n) {
        target.moveSelection(false);
        return true;
    }
    if (key == returnKey) {
        // Composing text is the input method's to commit.
        if (target.isSearchFieldEditing() && target.searchFieldHasMarkedText()) return false;
        // Holding Return confirms once.
        if (press.isAutoRepeat) return true;
        if (press.command)
            target.confirmSelectionAsPlainText();
        else
            target.confirmSelection();
        return true;
    }
    if (key == down) {
        target.moveSelection(false);
        return true;
    }
    if (!press.command) return false;
    switch (key) {
        case s:
            target.saveSelectedItem();
            return true;
        case f:
            if (!target.showsFilterSuggestions()) target.toggleDetailFormat();
            return true;
        case h:
        case w:
            target.dismissPanel();
            return true;
        case o:
            target.openSelectedItemWithDefaultApp();
            return true;
        case p:
            target.pinSelectedItem();
            return true;
        case k:
            target.showActionsMenuForSelectedItem();
            return true;
        case comma:
            target.dismissPanel();
            target.openSettings();
            return true;
        case deleteKey:
            if (!target.showsFilterSuggestions()) target.deleteSelectedItem();
            return true;
        default:
            return false;
    }
}

}  // namespace quorvane
