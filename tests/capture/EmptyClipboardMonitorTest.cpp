#include <gtest/gtest.h>

#include <stdexcept>

#include "capture/EmptyClipboardMonitor.h"

namespace quorvane {
namespace {

TEST(EmptyClipboardMonitorTest, RemembersOnlyThePauseFlag) {
    EmptyClipboardMonitor monitor;
    EXPECT_FALSE(monitor.isTemporarilyPaused());
    monitor.pauseTemporarily();
    EXPECT_TRUE(monitor.isTemporarilyPaused());
    monitor.resumeAfterTemporaryPause();
    EXPECT_FALSE(monitor.isTemporarilyPaused());
    monitor.pauseTemporarily();
    monitor.stopMonitoring();
    EXPECT_FALSE(monitor.isTemporarilyPaused());
}

TEST(EmptyClipboardMonitorTest, SuspendedWorkRunsAtOnceAndKeepsItsResultOrError) {
    EmptyClipboardMonitor monitor;
    EXPECT_EQ(monitor.performWithCaptureSuspended([] { return std::string("written"); }), "written");
    int runs = 0;
    monitor.performWithCaptureSuspended([&] { ++runs; });
    EXPECT_EQ(runs, 1);
    EXPECT_THROW(
        monitor.performWithCaptureSuspended([]() -> int { throw std::runtime_error("no pasteboard"); }),
        std::runtime_error);
}

}  // namespace
}  // namespace quorvane
