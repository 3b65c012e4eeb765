#include "ui/KeyablePanel.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <memory>

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
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* connection = x11->connection();
    const auto atom = [connection](const char* name) {
        auto cookie = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
        return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    };
    const xcb_atom_t userTimeAtom = atom("_NET_WM_USER_TIME");
    const xcb_atom_t activeWindowAtom = atom("_NET_ACTIVE_WINDOW");
    if (userTimeAtom == XCB_ATOM_NONE || activeWindowAtom == XCB_ATOM_NONE) return;
    const auto window = static_cast<xcb_window_t>(winId());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, userTimeAtom, XCB_ATOM_CARDINAL, 32, 1,
                        &userTime);
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = activeWindowAtom;
    message.data.data32[0] = 1;  // an application acting on the user's own input
    message.data.data32[1] = userTime;
    message.data.data32[2] = XCB_WINDOW_NONE;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
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
