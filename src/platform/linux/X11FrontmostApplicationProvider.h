#pragma once

// The frontmost application on X11: the window named by the root window's _NET_ACTIVE_WINDOW (set by every
// EWMH window manager) and the identity its properties give. The identity resolver (the desktop-entry
// directory) maps those to a desktop-file id; without one, or when it finds nothing, the window's own
// identity serves. A window of this very process is ours, whatever it is named. An active window that is not
// mapped (a hidden panel the window manager still names) counts as none. Holds its own X connection; call on
// the main queue.

#include <xcb/xcb.h>

#include <memory>
#include <string>

#include "platform/FrontmostApplicationProvider.h"

namespace quorvane {

class X11FrontmostApplicationProvider final : public FrontmostApplicationProvider {
public:
    // Connects to `displayName`, or to $DISPLAY when absent. Without a display every answer is nothing.
    // Windows whose _NET_WM_PID is this process answer `ownBundleIdentifier` (when not empty).
    explicit X11FrontmostApplicationProvider(ApplicationIdentityResolver resolver = {},
                                             const char* displayName = nullptr,
                                             std::string ownBundleIdentifier = {});
    ~X11FrontmostApplicationProvider() override;
    X11FrontmostApplicationProvider(const X11FrontmostApplicationProvider&) = delete;
    X11FrontmostApplicationProvider& operator=(const X11FrontmostApplicationProvider&) = delete;

    std::optional<FrontmostApplication> frontmostApplication() const override;

    bool isConnected() const { return connection_ != nullptr; }

private:
    struct Atoms;

    std::optional<xcb_window_t> activeWindow() const;

    ApplicationIdentityResolver resolver_;
    std::string ownBundleIdentifier_;
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    std::unique_ptr<Atoms> atoms_;
};

}  // namespace quorvane
