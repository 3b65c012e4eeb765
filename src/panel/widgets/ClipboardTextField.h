#pragma once

// The one-line search input of the panels. While a filter word and the start of its value are typed it
// draws the rest of the best value as grey ghost text after the caret (acceptGhost(), bound to Tab by the
// panels, takes it in). Every text change reaches `onSearchRequested`, except while an input method is
// composing. The ghost's rules live in ClipboardSearchCompletionState. Main thread only.

#include <QLineEdit>
#include <functional>

#include "panel/model/ClipboardSearchCompletionState.h"

namespace quorvane {

class ClipboardTextField : public QLineEdit {
    Q_OBJECT
public:
    // `manager` must outlive the field.
    explicit ClipboardTextField(const ClipboardSearchAutoCompleteManager& manager, QWidget* parent = nullptr);

    std::function<void(const QString& text)> onSearchRequested;

    // Placeholder and the name screen readers give the field, in the interface language.
    void retranslate();

    QString ghostSuffix() const;
    // Appends the ghost, puts the caret at the end and asks for a search; nothing without a ghost.
    void acceptGhost();
    // Sets the text for the owner (a removed filter chip) without asking for a search.
    void replaceText(const QString& text);
    // An input method is composing (marked text not yet committed).
    bool isComposing() const { return composing_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    ClipboardSearchFieldState fieldState(bool composing) const;
    void edited();

    ClipboardSearchCompletionState completion_;
    bool composing_ = false;
    bool settingText_ = false;
};

}  // namespace quorvane
