#pragma once

// The inline (ghost) completion of a search field: after each edit at the end of the text, the rest of the
// best value for the filter being typed is offered as grey text after the caret; Tab takes it in. Any caret
// move, deletion, selection or edit away from the end hides it, and once hidden it stays hidden until the
// user types at the end again. The widget reports edits and draws `ghostSuffix()`. Logs its steps at DEBUG
// under "GhostCompletion". Main thread only.

#include <cstddef>
#include <string>
#include <string_view>

#include "panel/model/ClipboardSearchAutoCompleteManager.h"

namespace quorvane {

// The field as an edit left it: text, caret (UTF-16 units), selection length, input-method composition.
struct ClipboardSearchFieldState {
    std::u16string text;
    std::size_t cursor = 0;
    std::size_t selectionLength = 0;
    bool hasMarkedText = false;
};

class ClipboardSearchCompletionState {
public:
    explicit ClipboardSearchCompletionState(const ClipboardSearchAutoCompleteManager& manager)
        : manager_(manager) {}

    const std::u16string& ghostSuffix() const { return ghostSuffix_; }
    bool isSuppressed() const { return isSuppressed_; }

    // The text changed. Returns whether the owner should search for the new text: not while an input
    // method composes.
    bool textChanged(const ClipboardSearchFieldState& field);
    // Caret moves and deletions hide the ghost.
    void caretMoved() { hide("cursor movement"); }
    void deleteCommand() { hide("delete command"); }
    // The selection changed without an edit: the ghost stays only with an empty selection at the end.
    void selectionChanged(const ClipboardSearchFieldState& field);
    void focusLost() { hide("resign first responder"); }
    // Takes the ghost into `text`; the new text, or nothing when no ghost is shown. The caller puts the caret
    // at the end and searches for the new text.
    std::optional<std::u16string> acceptGhost(const std::u16string& text);

private:
    void tryShowGhost(const ClipboardSearchFieldState& field);
    void hide(std::string_view reason);

    const ClipboardSearchAutoCompleteManager& manager_;
    std::u16string ghostSuffix_;
    bool isSuppressed_ = false;
};

}  // namespace quorvane
