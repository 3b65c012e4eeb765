#include "platform/linux/X11ActivationRequest.h"

#include <xcb/xcb.h>

#include <QGuiApplication>

#include "platform/linux/X11Properties.h"

namespace quorvane {

void requestX11ActivationForUserInput(std::uintptr_t window, std::uint32_t userTime) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* connection = x11->connection();
    const auto [userTimeAtom, activeWindowAtom] =
        internAtoms(connection, {"_NET_WM_USER_TIME", "_NET_ACTIVE_WINDOW"});
    if (userTimeAtom == XCB_ATOM_NONE || activeWindowAtom == XCB_ATOM_NONE) return;
    const auto xcbWindow = static_cast<xcb_window_t>(window);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcbWindow, userTimeAtom, XCB_ATOM_CARDINAL, 32, 1,
                        &userTime);
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = xcbWindow;
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

}  // namespace quorvane
