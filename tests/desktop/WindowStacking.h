#pragma once

// Where the window manager stacks a test's windows: dialogs must map above the window that asked, and above
// any always-on-top pin window.

#include <gtest/gtest.h>

#include <QWidget>
#include <vector>

namespace quorvane::testing {

// The window manager's stacking order (_NET_CLIENT_LIST_STACKING), bottom first.
std::vector<WId> stackingOrder();
// Waits until the window manager lists both windows, then tells whether `upper` is stacked above `lower`.
::testing::AssertionResult stackedAbove(const QWidget& upper, const QWidget& lower);

}  // namespace quorvane::testing
