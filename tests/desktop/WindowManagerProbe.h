#pragma once

// Whether a window manager is ready for the windows a test is about to show. Openbox names its check window
// on the root before it handles map requests, and a window mapped in between is never mapped nor managed: a
// test that only waited for the check window lost its window in about one run out of three.

#include <gtest/gtest.h>

#include <QProcess>
#include <QWidget>
#include <chrono>
#include <string>
#include <vector>

namespace quorvane::testing {

// Maps a throwaway window on `display`, again now and then, until the window manager reparents it into a
// frame; false when none did within `timeout`. Keeps this process's events flowing meanwhile.
bool windowManagerManagesWindows(const std::string& display, std::chrono::milliseconds timeout);

// Openbox on the test display for as long as the object lives.
class OpenboxWindowManager {
public:
    OpenboxWindowManager() = default;
    OpenboxWindowManager(const OpenboxWindowManager&) = delete;
    OpenboxWindowManager& operator=(const OpenboxWindowManager&) = delete;
    ~OpenboxWindowManager();

    // Starts it and waits until it manages windows.
    ::testing::AssertionResult start();

private:
    QProcess process_;
};

// The window manager's stacking order (_NET_CLIENT_LIST_STACKING), bottom first.
std::vector<WId> stackingOrder();
// Waits until the window manager lists both windows, then tells whether `upper` is stacked above `lower`.
::testing::AssertionResult stackedAbove(const QWidget& upper, const QWidget& lower);

}  // namespace quorvane::testing
