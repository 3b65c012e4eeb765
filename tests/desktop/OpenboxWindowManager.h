#pragma once

// Openbox on the test display for as long as the object lives, for tests that read where the window manager
// stacks their windows.

#include <gtest/gtest.h>

#include <QProcess>

namespace quorvane::testing {

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

}  // namespace quorvane::testing
