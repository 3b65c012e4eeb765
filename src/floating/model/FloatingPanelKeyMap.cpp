#include "floating/model/FloatingPanelKeyMap.h"

namespace quorvane {

FloatingPanelKeyCommand FloatingPanelKeyMap::command(const FloatingPanelKeyPress& key) {
    using Command = FloatingPanelKeyCommand;
    const auto code = key.keyCode;
    if (code == keyEscape) return Command::cancelFilterOrHide;
    // Tab never moves the focus out of the search field.
    if (code == keyTab) return Command::acceptFilterOrCompletion;
    if (key.command) {
        if (code == keyV) return key.fieldIsEditing ? Command::pasteIntoSearchField : Command::passOn;
        if (code == keyA) return key.fieldIsEditing ? Command::selectAllInSearchField : Command::passOn;
        if (code == keyC) {
            return key.fieldIsEditing && key.fieldHasSelection ? Command::copySearchFieldSelection
                                                               : Command::copySelection;
        }
    }
    if (code == keyUp) return Command::moveUp;
    if (key.control) {
        if (code == keyN) return Command::moveDown;
        if (code == keyP) return Command::moveUp;
    }
    if (code == keyReturn) {
        if (key.isComposing) return Command::passOn;
        if (key.isAutoRepeat) return Command::ignore;
        return key.command ? Command::confirmAsPlainText : Command::confirm;
    }
    if (code == keyDown) return Command::moveDown;
    if (key.command) {
        switch (code) {
            case keyS:
                return Command::save;
            case keyF:
                return Command::toggleFormatting;
            case keyH:
            case keyW:
                return Command::hide;
            case keyO:
                return Command::openWithDefaultApp;
            case keyP:
                return Command::pin;
            case keyK:
                return Command::showActionsMenu;
            case keyComma:
                return Command::openSettings;
            case keyDelete:
                return Command::deleteItem;
            case keyY:
                if (key.shift) return Command::togglePinnedPreview;
                return Command::passOn;
            default:
                return Command::passOn;
        }
    }
    return Command::passOn;
}

}  // namespace quorvane
