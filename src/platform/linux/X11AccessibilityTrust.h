#pragma once

// Accessibility trust on X11, which has no per-process grant: the process counts as trusted when the display
// lets it post keystrokes (the XTEST extension). The request switches on the desktop accessibility bus
// (org.a11y.Status IsEnabled), so that programs publish their caret. Call on the main queue.

#include <xcb/xcb.h>

#include "platform/AccessibilityTrust.h"

namespace quorvane {

class X11AccessibilityTrust final : public AccessibilityTrust {
public:
    // How long the request waits for the accessibility bus to answer.
    static constexpr int busTimeoutMilliseconds = 500;

    // Connects to `displayName`, or to $DISPLAY when absent; without a display the process is not trusted.
    explicit X11AccessibilityTrust(const char* displayName = nullptr);
    ~X11AccessibilityTrust() override;
    X11AccessibilityTrust(const X11AccessibilityTrust&) = delete;
    X11AccessibilityTrust& operator=(const X11AccessibilityTrust&) = delete;

    bool isProcessTrusted() const override;
    bool requestTrust() override;

    // Sets IsEnabled on the session's accessibility bus; false (after a "Failed to" line) when the bus does
    // not answer in time.
    static bool enableAccessibilityBus();

private:
    xcb_connection_t* connection_ = nullptr;
};

}  // namespace quorvane
