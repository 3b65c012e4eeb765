#include "ui/KeyablePanel.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>

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
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (userTime != 0 && x11 && x11->connection()) {
        xcb_connection_t* connection = x11->connection();
        static constexpr char name[] = "_NET_WM_USER_TIME";
        auto cookie = xcb_intern_atom(connection, 0, std::strlen(name), name);
        if (xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr)) {
            const auto window = static_cast<xcb_window_t>(winId());
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, reply->atom, XCB_ATOM_CARDINAL, 32,
                                1, &userTime);
            xcb_flush(connection);
            std::free(reply);
        }
    }
    present();
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
