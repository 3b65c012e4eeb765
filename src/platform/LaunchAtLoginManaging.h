#pragma once

// Whether the application starts when the user signs in, and the switch for it. The general settings page
// shows and flips it; the container owns the one manager. Holds no state: every call asks the desktop.
// Main thread only.

#include <stdexcept>

namespace quorvane {

enum class LaunchAtLoginStatus { notRegistered, enabled, requiresApproval, notFound, unknown };

// The status is none of the known ones, so nothing can be changed.
class LaunchAtLoginManagerError : public std::runtime_error {
public:
    LaunchAtLoginManagerError() : std::runtime_error("Launch at login is unavailable for this app.") {}
};

class LaunchAtLoginManaging {
public:
    virtual ~LaunchAtLoginManaging() = default;

    virtual LaunchAtLoginStatus status() const = 0;
    // Registers (on) or unregisters (off) as the status requires; nothing when it already is so. Throws
    // LaunchAtLoginManagerError for an unknown status, or the desktop's own error (std::system_error)
    // unchanged.
    virtual void setEnabled(bool enabled) = 0;
};

}  // namespace quorvane
