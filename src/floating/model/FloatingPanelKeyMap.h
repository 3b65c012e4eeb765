#pragma once

// Which command a key pressed in the floating panel gives. Keys are named by their stored key codes (key
// positions of a US keyboard), so the letter shortcuts work in any layout. Command is Ctrl, Control is Super.
// Pure function; safe from any thread.

#include <cstdint>

namespace quorvane {

struct FloatingPanelKeyPress {
    std::uint16_t keyCode = 0;
    bool command = false;
    bool control = false;
    bool shift = false;
    bool option = false;
    bool isAutoRepeat = false;
    // An input method is composing in the search field.
    bool isComposing = false;
    // The search field has the keyboard focus.
    bool fieldIsEditing = true;
    bool fieldHasSelection = false;
};

enum class FloatingPanelKeyCommand {
    // Not ours: the key goes on to the search field.
    passOn,
    // Consumed without effect (a held Return repeating).
    ignore,
    cancelFilterOrHide,
    acceptFilterOrCompletion,
    pasteIntoSearchField,
    selectAllInSearchField,
    copySearchFieldSelection,
    copySelection,
    moveUp,
    moveDown,
    confirm,
    confirmAsPlainText,
    save,
    toggleFormatting,
    hide,
    openWithDefaultApp,
    pin,
    showActionsMenu,
    openSettings,
    deleteItem,
    togglePinnedPreview,
};

class FloatingPanelKeyMap {
public:
    FloatingPanelKeyMap() = delete;

    // Stored key codes of the keys the panel handles.
    static constexpr std::uint16_t keyA = 0, keyS = 1, keyF = 3, keyH = 4, keyC = 8, keyV = 9, keyW = 13,
                                   keyY = 16, keyO = 31, keyP = 35, keyReturn = 36, keyK = 40, keyComma = 43,
                                   keyN = 45, keyTab = 48, keyDelete = 51, keyEscape = 53, keyDown = 125,
                                   keyUp = 126;

    static FloatingPanelKeyCommand command(const FloatingPanelKeyPress& key);
};

}  // namespace quorvane
