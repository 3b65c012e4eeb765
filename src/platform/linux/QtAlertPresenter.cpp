#include "platform/linux/QtAlertPresenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <memory>
#include <vector>

namespace quorvane {

namespace {

QMessageBox::Icon iconOf(AlertStyle style) {
    switch (style) {
        case AlertStyle::warning:
            return QMessageBox::Warning;
        case AlertStyle::critical:
            return QMessageBox::Critical;
        case AlertStyle::informational:
            break;
    }
    return QMessageBox::Information;
}

}  // namespace

void QtAlertPresenter::present(const Alert& alert, Completion completion) {
    show(alert, 0, std::move(completion));
}

void QtAlertPresenter::presentWithEscapeButton(const Alert& alert, std::size_t escapeButton,
                                               Completion completion) {
    show(alert, escapeButton, std::move(completion));
}

QWidget* QtAlertPresenter::askingWindow(QWidget* own) {
    if (own) return own->window();
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

void QtAlertPresenter::show(const Alert& alert, std::size_t escapeButton, Completion completion) {
    QWidget* parent = askingWindow(parent_.data());
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);

    box->setIcon(iconOf(alert.style));
    box->setText(QString::fromStdString(alert.messageText));
    box->setInformativeText(QString::fromStdString(alert.informativeText));
    std::vector<QAbstractButton*> buttons;
    for (const std::string& title : alert.buttonTitles) {
        // One role for all: the button box lays roles out in the desktop's order, which would reorder them.
        buttons.push_back(box->addButton(QString::fromStdString(title), QMessageBox::ActionRole));
    }
    if (!buttons.empty()) {
        box->setDefaultButton(static_cast<QPushButton*>(buttons.front()));
        box->setEscapeButton(buttons[escapeButton < buttons.size() ? escapeButton : 0]);
    }

    // Shared by both ends of the box, so exactly one of them answers.
    auto pending = std::make_shared<Completion>(std::move(completion));
    QObject::connect(box, &QMessageBox::finished, box, [box, buttons, pending] {
        if (!*pending) return;
        std::optional<std::size_t> pressed;
        for (std::size_t index = 0; index < buttons.size(); ++index) {
            if (box->clickedButton() == buttons[index]) pressed = index;
        }
        const Completion answer = std::move(*pending);
        *pending = nullptr;
        answer(pressed);
    });
    QObject::connect(box, &QObject::destroyed, [pending] {
        if (!*pending) return;
        const Completion answer = std::move(*pending);
        *pending = nullptr;
        answer(std::nullopt);
    });
    showModal(*box);
}

void QtAlertPresenter::showModal(QDialog& dialog) {
    // Pin windows stay above all others, so a dialog that only followed its window could open under one:
    // it stays on top itself when its window does, or when it has no window on show to be kept above.
    QWidget* owner = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
    if (!owner || !owner->isVisible() || owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    // A child dialog is kept above its window by the window manager and blocks only that window (open()
    // makes it window-modal); a dialog of no window blocks them all.
    if (dialog.parentWidget()) {
        dialog.open();
        return;
    }
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
}

}  // namespace quorvane
