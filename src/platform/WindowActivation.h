#pragma once

// The window the user was working in before one of our panels took focus, and the means to give it focus
// back: paste-back re-activates it and pastes only once it really is active again. Main queue only.

#include <cstdint>
#include <optional>

#include "platform/PasteKeys.h"

namespace quorvane {

struct ReturnTarget {
    // The X11 window id; 0 never names a window.
    std::uint64_t window = 0;
    std::optional<std::int64_t> processIdentifier;

    bool operator==(const ReturnTarget&) const = default;
};

class WindowActivation {
public:
    virtual ~WindowActivation() = default;

    // The window that is active now; nothing when none is or the answer cannot be read.
    virtual std::optional<ReturnTarget> activeWindow() const = 0;
    // Asks the window manager to activate `target`. False when the request could not be sent (the window
    // is gone); true says nothing about whether the window manager obliged.
    virtual bool activate(const ReturnTarget& target) = 0;
    // The class `target` gives itself (WM_CLASS), which tells terminals apart; nothing when it cannot be
    // read.
    virtual std::optional<WindowClass> windowClass(const ReturnTarget& target) const = 0;

    bool isActive(const ReturnTarget& target) const {
        const auto active = activeWindow();
        return active && active->window == target.window;
    }
};

}  // namespace quorvane
