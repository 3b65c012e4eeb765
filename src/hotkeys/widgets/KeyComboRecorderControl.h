#pragma once

// The field in which the user records a keyboard shortcut: it shows the current combination or a
// placeholder; a click starts recording, and the next qualifying key press is committed half a second later.
// While it records it grabs the keyboard and takes every key typed, so neither another control nor another
// program (one that grabbed the combination) reacts to the shortcut being recorded; hiding the field or
// moving the focus elsewhere cancels the recording and lets the keyboard go. It draws a KeyComboRecorderState
// and hands it clicks and key presses; its owner (settings, onboarding) is the state's delegate and suspends
// the global hot key while a recording lasts, since our own grab would otherwise swallow the current shortcut
// before the field sees it. Main thread only.

#include <QColor>
#include <QWidget>
#include <optional>

#include "hotkeys/model/KeyComboRecorderState.h"

class QLabel;
class QKeyEvent;

namespace quorvane {

class KeyComboRecorderControl : public QWidget {
    Q_OBJECT

public:
    // `mainQueue` must outlive the control.
    explicit KeyComboRecorderControl(MainQueue& mainQueue, QWidget* parent = nullptr);
    // Cancels a recording in progress first, so the delegate hears its end.
    ~KeyComboRecorderControl() override;

    KeyComboRecorderState& state() { return state_; }
    void setDelegate(KeyComboRecorderControlDelegate* delegate) { state_.setDelegate(delegate); }
    const std::optional<KeyCombo>& keyCombo() const { return state_.keyCombo(); }
    void setKeyCombo(std::optional<KeyCombo> keyCombo);
    void setPlaceholder(std::optional<std::string> placeholder);
    bool isRecording() const { return state_.isRecording(); }

    void startRecording();
    void finishRecording();
    void stopRecording();
    // Shows the state's text and tone; owners call it after a language change.
    void updateDisplay();

    // The stored key code of a Qt key press: the key's position where the event carries an X keycode, else
    // its key in the US layout. Nothing for modifier and lock keys and for keys of no known position.
    static std::optional<std::uint16_t> keyCodeOf(const QKeyEvent& event);
    // The stored flags of Qt's modifiers: Ctrl is Command, Meta (Super) is Control, Alt is Option.
    static std::uint64_t modifierFlagsOf(Qt::KeyboardModifiers modifiers);

    // At least as wide as the recording prompt in the interface language needs beside the spinner.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void syncKeyMonitor();
    // The display's text at its usual size, or smaller down to a floor when it would be cut off there.
    void fitDisplayFont();

    KeyComboRecorderState state_;
    QLabel* displayField_;
    QWidget* progressIndicator_;
    QColor hoverBackground_;  // what pointer enter and exit leave behind the field
    bool isMonitoringKeys_ = false;
    Subscription stateChanges_;
};

}  // namespace quorvane
