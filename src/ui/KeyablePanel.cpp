#include "ui/KeyablePanel.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>

#include "platform/linux/X11ActivationRequest.h"

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

void KeyablePanel::present(std::uint32_t userTime) {
    present();
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (userTime == 0 || !x11 || !x11->connection()) return;
    // Qt stamps the window with the time of the last event it saw itself, which is older than the hot-key
    // press (grabbed on the root window): ask again with the press's time. The window may not be mapped
    // yet, so the request is repeated once shortly after.
    requestActivation(userTime);
    QPointer<KeyablePanel> self(this);
    QTimer::singleShot(50, this, [self, userTime] {
        if (self && self->isVisible() && !self->isActiveWindow()) self->requestActivation(userTime);
    });
}

void KeyablePanel::requestActivation(std::uint32_t userTime) {
    requestX11ActivationForUserInput(static_cast<std::uintptr_t>(winId()), userTime);
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
