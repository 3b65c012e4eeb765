#pragma once

// Asks the window manager to activate one of our own windows as the answer to the user's input at `userTime`
// (an X server time): sets the window's _NET_WM_USER_TIME and sends _NET_ACTIVE_WINDOW as an application,
// which focus-stealing prevention lets through when the time is recent. Does nothing off X11. Main thread.

#include <cstdint>

namespace quorvane {

void requestX11ActivationForUserInput(std::uintptr_t window, std::uint32_t userTime);

}  // namespace quorvane
