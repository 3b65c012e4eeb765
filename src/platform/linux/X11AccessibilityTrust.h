#pragma once

// Accessibility trust on X11, which has no per-process grant: the process counts as trusted while the display
// lets it post keystrokes (the XTEST extension) and the desktop's accessibility bus is switched on
// (org.a11y.Status IsEnabled), so that programs publish their caret. The bus's state is kept from its
// PropertiesChanged signal and re-read in the background, so asking for trust never waits on the bus; the
// request switches the bus on, as the desktop's own accessibility switch does. Call on the main queue.

#include <xcb/xcb.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/AccessibilityTrust.h"

namespace quorvane {

class X11AccessibilityTrust final : public AccessibilityTrust {
public:
    // How long a read or the request waits for the accessibility bus to answer.
    static constexpr int busTimeoutMilliseconds = 500;

    // Connects to `displayName`, or to $DISPLAY when absent; without a display the process is not trusted.
    // Starts watching the session's accessibility bus.
    explicit X11AccessibilityTrust(const char* displayName = nullptr);
    ~X11AccessibilityTrust() override;
    X11AccessibilityTrust(const X11AccessibilityTrust&) = delete;
    X11AccessibilityTrust& operator=(const X11AccessibilityTrust&) = delete;

    // The last known state of the bus, without a call to it; only the very first ask may wait for the read
    // that started with this object.
    bool isProcessTrusted() const override;
    bool requestTrust() override;

    // Sets IsEnabled on the session's accessibility bus; false (after a "Failed to" line) when the bus does
    // not answer in time.
    static bool enableAccessibilityBus();
    // IsEnabled of the session's accessibility bus, asked and waited for; none, with the reason in
    // `failure`, when there is no session bus or no accessibility bus answers in time.
    static std::optional<bool> accessibilityBusEnabled(std::string* failure = nullptr);

private:
    class BusStatus;

    xcb_connection_t* connection_ = nullptr;
    std::unique_ptr<BusStatus> busStatus_;
};

}  // namespace quorvane
