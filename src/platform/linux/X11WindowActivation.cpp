#include "platform/linux/X11WindowActivation.h"

#include <cstdlib>
#include <memory>
#include <string>

#include "base/Logger.h"
#include "platform/linux/X11Properties.h"

namespace quorvane {

namespace {

constexpr const char* logCategory = "WindowActivation";
// _NET_ACTIVE_WINDOW's source indication for pagers and tools acting for the user.
constexpr std::uint32_t sourceIndicationPager = 2;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

std::optional<std::uint32_t> cardinalProperty(xcb_connection_t* connection, xcb_window_t window,
                                              xcb_atom_t property) {
    auto cookie = xcb_get_property(connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1);
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, &error), &std::free);
    std::free(error);
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return std::nullopt;
    return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
}

}  // namespace

X11WindowActivation::X11WindowActivation(const char* displayName) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(displayName, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        Logger::error("Failed to connect to the X display; windows cannot be activated", logCategory);
        return;
    }
    connection_ = connection;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    root_ = screens.data->root;
    const auto atoms = internAtoms(connection_, {"_NET_ACTIVE_WINDOW", "_NET_WM_PID", "_QUORVANE_TIMESTAMP"});
    activeWindowAtom_ = atoms[0];
    processIdAtom_ = atoms[1];
    clockAtom_ = atoms[2];

    clockWindow_ = xcb_generate_id(connection_);
    const std::uint32_t values[] = {1, XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, clockWindow_, root_, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                      XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    xcb_flush(connection_);
}

X11WindowActivation::~X11WindowActivation() {
    if (!connection_) return;
    xcb_destroy_window(connection_, clockWindow_);
    xcb_disconnect(connection_);
}

std::optional<ReturnTarget> X11WindowActivation::activeWindow() const {
    if (!connection_) return std::nullopt;
    const auto window = cardinalProperty(connection_, root_, activeWindowAtom_);
    if (!window || *window == XCB_WINDOW_NONE) return std::nullopt;
    ReturnTarget target;
    target.window = *window;
    if (const auto pid = cardinalProperty(connection_, *window, processIdAtom_); pid && *pid > 0)
        target.processIdentifier = *pid;
    return target;
}

std::optional<WindowClass> X11WindowActivation::windowClass(const ReturnTarget& target) const {
    if (!connection_ || target.window == 0) return std::nullopt;
    const auto window = static_cast<xcb_window_t>(target.window);
    auto cookie = xcb_get_property(connection_, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256);
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection_, cookie, &error), &std::free);
    std::free(error);
    if (!reply || reply->format != 8) return std::nullopt;
    // Two NUL-terminated names, instance then class; a malformed value may lack the NULs.
    const auto names = propertyStrings(reply.get());
    WindowClass windowClass;
    if (!names.empty()) windowClass.instance = names[0];
    if (names.size() > 1) windowClass.className = names[1];
    return windowClass;
}

xcb_timestamp_t X11WindowActivation::currentServerTime() {
    // Appending nothing to a property still makes the server report the change, with its time.
    xcb_change_property(connection_, XCB_PROP_MODE_APPEND, clockWindow_, clockAtom_, XCB_ATOM_CARDINAL, 32, 0,
                        nullptr);
    xcb_flush(connection_);
    // Only the clock window selects events on this connection, so the next property event is ours.
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection_)) {
        const bool isOurs = (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                            reinterpret_cast<xcb_property_notify_event_t*>(event)->window == clockWindow_;
        const xcb_timestamp_t time =
            isOurs ? reinterpret_cast<xcb_property_notify_event_t*>(event)->time : XCB_CURRENT_TIME;
        std::free(event);
        if (isOurs) return time;
    }
    return XCB_CURRENT_TIME;
}

bool X11WindowActivation::activate(const ReturnTarget& target) {
    if (!connection_ || target.window == 0) return false;
    // A window that is gone cannot be activated; asking for its attributes tells.
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, static_cast<xcb_window_t>(target.window)),
            &error),
        &std::free);
    std::free(error);
    if (!attributes) {
        Logger::warning(
            "Failed to activate window " + std::to_string(target.window) + ": it no longer exists",
            logCategory);
        return false;
    }

    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(target.window);
    message.type = activeWindowAtom_;
    message.data.data32[0] = sourceIndicationPager;
    message.data.data32[1] = currentServerTime();
    message.data.data32[2] = XCB_WINDOW_NONE;
    xcb_send_event(connection_, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection_);
    return xcb_connection_has_error(connection_) == 0;
}

}  // namespace quorvane
