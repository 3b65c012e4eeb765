#pragma once

// Whether a window manager is ready for the windows a test is about to show. Openbox names its check window
// on the root before it handles map requests, and a window mapped in between is never mapped nor managed: a
// test that only waited for the check window lost its window in about one run out of three.

#include <chrono>
#include <string>

namespace quorvane::testing {

// Maps a throwaway window on `display`, again now and then, until the window manager reparents it into a
// frame; false when none did within `timeout`. Keeps this process's events flowing meanwhile.
bool windowManagerManagesWindows(const std::string& display, std::chrono::milliseconds timeout);

}  // namespace quorvane::testing
