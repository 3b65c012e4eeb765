#pragma once

// Window activation on an EWMH desktop: the active window is the root window's _NET_ACTIVE_WINDOW (with the
// owner's _NET_WM_PID), and activating asks the window manager through a _NET_ACTIVE_WINDOW client message
// marked as coming from a pager (source 2) with a fresh X server time, which focus-stealing prevention lets
// through. Holds its own X connection; call on the main queue.

#include <xcb/xcb.h>

#include "platform/WindowActivation.h"

namespace quorvane {

class X11WindowActivation final : public WindowActivation {
public:
    // Connects to `displayName`, or to $DISPLAY when absent. Without a display nothing is active and every
    // activation fails.
    explicit X11WindowActivation(const char* displayName = nullptr);
    ~X11WindowActivation() override;
    X11WindowActivation(const X11WindowActivation&) = delete;
    X11WindowActivation& operator=(const X11WindowActivation&) = delete;

    std::optional<ReturnTarget> activeWindow() const override;
    bool activate(const ReturnTarget& target) override;
    std::optional<WindowClass> windowClass(const ReturnTarget& target) const override;

    bool isConnected() const { return connection_ != nullptr; }

private:
    // The server's time now, read from the property change it reports on a window of ours.
    xcb_timestamp_t currentServerTime();

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    // An unmapped window of our own whose property changes tell the server time.
    xcb_window_t clockWindow_ = 0;
    xcb_atom_t activeWindowAtom_ = 0;
    xcb_atom_t processIdAtom_ = 0;
    xcb_atom_t clockAtom_ = 0;
};

}  // namespace quorvane
