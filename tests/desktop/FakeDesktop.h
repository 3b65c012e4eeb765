#pragma once

// Plays both the other programs (their windows and properties) and the window manager (_NET_ACTIVE_WINDOW) on
// the desktop tests' display, through a connection of its own. Main thread of the test program only.

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "desktop/DesktopSession.h"

namespace quorvane::testing {

class FakeDesktop {
public:
    FakeDesktop() : connection_(xcb_connect(DesktopSession::display().c_str(), nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    }
    ~FakeDesktop() { xcb_disconnect(connection_); }

    xcb_window_t createWindow() {
        const xcb_window_t window = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(connection_, window);
        return window;
    }
    // Hides a window the way a program hides its panel; it may stay named active.
    void unmapWindow(xcb_window_t window) { xcb_unmap_window(connection_, window); }
    void mapWindow(xcb_window_t window) { xcb_map_window(connection_, window); }
    void destroyWindow(xcb_window_t window) { xcb_destroy_window(connection_, window); }

    void setString(xcb_window_t window, const char* property, const std::string& value, const char* type) {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, atom(property), atom(type), 8,
                            static_cast<std::uint32_t>(value.size()), value.data());
    }
    void setCardinal(xcb_window_t window, const char* property, std::uint32_t value, const char* type) {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, atom(property), atom(type), 32, 1,
                            &value);
    }
    void activate(xcb_window_t window) { setCardinal(root_, "_NET_ACTIVE_WINDOW", window, "WINDOW"); }
    void clearActive() { xcb_delete_property(connection_, root_, atom("_NET_ACTIVE_WINDOW")); }

    // Returns once the server has applied every request sent so far.
    void sync() {
        std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

private:
    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t result = reply->atom;
        std::free(reply);
        return result;
    }

    xcb_connection_t* connection_;
    xcb_window_t root_;
};

}  // namespace quorvane::testing
