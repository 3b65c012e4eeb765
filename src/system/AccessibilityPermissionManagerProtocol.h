#pragma once

// How capture, the panels, the floating panel, onboarding and the settings hold the accessibility permission
// manager: the trust status, the request, and opening the desktop's accessibility settings. Main thread only.

#include <string>

#include "system/AccessibilityPermissionStatus.h"

namespace quorvane {

class AccessibilityPermissionManagerProtocol {
public:
    virtual ~AccessibilityPermissionManagerProtocol() = default;

    // Computed afresh on every call: a grant made meanwhile shows at once.
    virtual AccessibilityPermissionStatus status() const = 0;
    // True when the process is trusted now (status() == authorized).
    virtual bool isTrusted() const = 0;
    // True once the request has been made on this installation.
    virtual bool hasRequestedPermission() const = 0;
    // Asks the desktop for trust and opens the accessibility settings shortly after.
    virtual void requestPermission() = 0;
    // Opens the desktop's accessibility settings.
    virtual void openSystemSettings() = 0;
    // False when this desktop has no accessibility settings we can open: the button that opens them is
    // hidden.
    virtual bool canOpenSystemSettings() const { return true; }
    // Hands `url` to the settings opener; nothing for an empty text.
    virtual void openURL(const std::string& url) = 0;
};

}  // namespace quorvane
