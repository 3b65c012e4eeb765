#include <gtest/gtest.h>

#include "capture/ClipboardMonitorCadence.h"

namespace quorvane {
namespace {

TEST(ClipboardMonitorCadenceTest, BurstLastsUntilStrictlyBeforeItsDeadline) {
    ClipboardMonitorCadence cadence;
    const Date start(1000);
    EXPECT_EQ(cadence.nextDelay(start), 0.25);
    cadence.startBurst(start);
    EXPECT_EQ(cadence.burstDeadline, std::optional<Date>(Date(1001.2)));
    EXPECT_EQ(cadence.nextDelay(start), 0.03);
    EXPECT_EQ(cadence.nextDelay(Date(1001.19)), 0.03);
    EXPECT_EQ(cadence.nextDelay(Date(1001.2)), 0.25);
    EXPECT_EQ(cadence.nextDelay(Date(2000)), 0.25);
}

TEST(ClipboardMonitorCadenceTest, LaterEventPushesTheDeadlineFromItsOwnTime) {
    ClipboardMonitorCadence cadence{0.5, 0.05, 2.0, std::nullopt};
    cadence.startBurst(Date(10));
    cadence.startBurst(Date(11.5));
    EXPECT_EQ(cadence.burstDeadline, std::optional<Date>(Date(13.5)));
    EXPECT_EQ(cadence.nextDelay(Date(13)), 0.05);
    EXPECT_EQ(cadence.nextDelay(Date(13.5)), 0.5);
}

}  // namespace
}  // namespace quorvane
