#pragma once

// Alerts as QMessageBoxes, opened without a nested event loop. An alert belongs to the window that asked
// (the presenter's own parent, else the active window): it stays above that window, even one that stays on
// top of the others, and blocks only that window. Without any window it is application-modal; without a
// window on show it stays on top, above the pin windows. The buttons
// keep the given order; the first is the default and, unless another is named, also what Escape presses.
// Call on the main queue only.

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include "platform/AlertPresenter.h"

namespace quorvane {

class QtAlertPresenter final : public AlertPresenter {
public:
    // `parent`, when given, is the window every alert belongs to; it may go away first.
    explicit QtAlertPresenter(QWidget* parent = nullptr) : parent_(parent) {}

    // A box closed without a button (its parent destroyed) answers nothing.
    void present(const Alert& alert, Completion completion) override;
    void presentWithEscapeButton(const Alert& alert, std::size_t escapeButton,
                                 Completion completion) override;

    // The window an alert opened now belongs to: `own` when given, else the active window (none when the
    // application has no active window).
    static QWidget* askingWindow(QWidget* own);
    // Shows `dialog` without a nested event loop, modal to its parent window or, without one, to all; on top
    // of the others when its window is, or when that is hidden or absent.
    static void showModal(QDialog& dialog);

private:
    void show(const Alert& alert, std::size_t escapeButton, Completion completion);

    QPointer<QWidget> parent_;
};

}  // namespace quorvane
