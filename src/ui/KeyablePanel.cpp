#include "ui/KeyablePanel.h"

#include <QApplication>
#include <QEvent>

namespace quorvane {

KeyablePanel::KeyablePanel(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setFocusPolicy(Qt::StrongFocus);
}

void KeyablePanel::present() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

bool KeyablePanel::activationStaysWithPanel() const {
    for (QWidget* other : {QApplication::activePopupWidget(), QApplication::activeWindow()}) {
        for (QWidget* widget = other; widget; widget = widget->parentWidget()) {
            if (widget == this) return true;
        }
    }
    return false;
}

bool KeyablePanel::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::WindowDeactivate && !activationStaysWithPanel()) emit didResignKey();
    return handled;
}

}  // namespace quorvane
