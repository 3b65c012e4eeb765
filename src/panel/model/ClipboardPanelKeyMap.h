#pragma once

// The centred panel's keyboard: which key press does what, and whether the press is consumed or passes on to
// the focused widget (typing into the search field). Keys are the stored virtual key codes (key positions,
// platform/KeyPositions.h), so letter shortcuts work in any layout; `command` is Ctrl and `control` is Super.
// The panel's event filter asks handleKeyDown() for every key press while the panel is shown. Main thread
// only.

#include <cstdint>
#include <optional>
#include <string>

namespace quorvane {

struct ClipboardPanelKeyPress {
    std::uint16_t keyCode = 0;
    bool command = false;
    bool control = false;
    bool isAutoRepeat = false;
};

// What the key map reads from the panel and asks of it and of its controller.
class ClipboardPanelKeyTarget {
public:
    virtual ~ClipboardPanelKeyTarget() = default;

    // The search field has the keyboard focus.
    virtual bool isSearchFieldEditing() const = 0;
    virtual bool searchFieldHasSelection() const = 0;
    // An input method is composing in the search field.
    virtual bool searchFieldHasMarkedText() const = 0;
    virtual bool hasGhostSuffix() const = 0;
    // The result list shows filter suggestions instead of entries.
    virtual bool showsFilterSuggestions() const = 0;

    virtual bool cancelFilterSuggestion() = 0;
    virtual bool acceptSelectedFilterSuggestion() = 0;
    virtual void acceptGhost() = 0;
    // Selects the whole search text on the next main-queue turn.
    virtual void selectAllSearchTextLater() = 0;
    virtual bool selectAllDetailText() = 0;
    virtual std::optional<std::string> selectedSearchText() const = 0;
    virtual std::optional<std::string> selectedDetailText() const = 0;
    // Replaces the clipboard with `text` as a plain string.
    virtual void copyPlainText(const std::string& text) = 0;
    // Copies the view model's selected entry; nothing without one.
    virtual void copySelectedItem() = 0;
    // Inserts the clipboard's plain text at the search field's cursor and searches; nothing without text.
    virtual void pasteIntoSearchField() = 0;
    virtual void moveFilterSuggestionSelection(bool up) = 0;
    // Moves the view model's selection directly (Up).
    virtual void moveViewModelSelection(bool up) = 0;
    // The controller's move, which loads the next page at the end of the list (Down, Ctrl-N).
    virtual void moveSelection(bool up) = 0;
    virtual void confirmSelection() = 0;
    virtual void confirmSelectionAsPlainText() = 0;
    virtual void saveSelectedItem() = 0;
    virtual void toggleDetailFormat() = 0;
    // Hides the panel through its controller.
    virtual void dismissPanel() = 0;
    virtual void openSelectedItemWithDefaultApp() = 0;
    virtual void pinSelectedItem() = 0;
    virtual void showActionsMenuForSelectedItem() = 0;
    virtual void openSettings() = 0;
    virtual void deleteSelectedItem() = 0;
};

class ClipboardPanelKeyMap {
public:
    ClipboardPanelKeyMap() = delete;

    // Stored key codes of the keys the panel handles.
    enum KeyCode : std::uint16_t {
        a = 0,
        s = 1,
        f = 3,
        h = 4,
        c = 8,
        v = 9,
        w = 13,
        o = 31,
        p = 35,
        returnKey = 36,
        k = 40,
        comma = 43,
        n = 45,
        tab = 48,
        deleteKey = 51,
        escape = 53,
        down = 125,
        up = 126,
    };

    // Runs what `press` means and returns true when it is consumed; false lets it pass on.
    static bool handleKeyDown(const ClipboardPanelKeyPress& press, ClipboardPanelKeyTarget& target);
};

}  // namespace quorvane
