#pragma once

// Alerts as application-modal QMessageBoxes, opened without a nested event loop. The buttons keep the given
// order; the first is the default and, unless another is named, also what Escape presses. Call on the main
// queue only.

#include <QPointer>
#include <QWidget>

#include "platform/AlertPresenter.h"

namespace quorvane {

class QtAlertPresenter final : public AlertPresenter {
public:
    // `parent`, when given, centres the alerts on it; it may go away first.
    explicit QtAlertPresenter(QWidget* parent = nullptr) : parent_(parent) {}

    // A box closed without a button (its parent destroyed) answers nothing.
    void present(const Alert& alert, Completion completion) override;
    void presentWithEscapeButton(const Alert& alert, std::size_t escapeButton,
                                 Completion completion) override;

private:
    void show(const Alert& alert, std::size_t escapeButton, Completion completion);

    QPointer<QWidget> parent_;
};

}  // namespace quorvane
