#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "platform/memory/FakeClock.h"
#include "platform/memory/ManualRunLoop.h"
#include "ui/Throttler.h"

namespace quorvane {
namespace {

class ThrottlerTest : public ::testing::Test {
protected:
    // Records each run as milliseconds since the test began, with the value the call carried.
    std::function<void()> run(int value) {
        return [this, value] {
            runs_.push_back({std::lround((clock_.now().timeIntervalSince1970 - start_) * 1000), value});
        };
    }

    FakeClock clock_;
    ManualRunLoop loop_{clock_};
    double start_ = clock_.now().timeIntervalSince1970;
    std::vector<std::pair<long, int>> runs_;
    std::unique_ptr<Throttler> throttler_ = std::make_unique<Throttler>(0.016, loop_, clock_);
};

TEST_F(ThrottlerTest, BurstRunsAtItsStartAndOnceMoreAFullIntervalAfterItsLastCall) {
    throttler_->throttle(run(1));
    EXPECT_EQ(runs_, (std::vector<std::pair<long, int>>{{0, 1}})) << "the first call runs at once";
    loop_.advance(0.002);
    throttler_->throttle(run(2));
    loop_.advance(0.003);
    throttler_->throttle(run(3));  // replaces the second call's pending run
    loop_.advance(0.1);
    EXPECT_EQ(runs_, (std::vector<std::pair<long, int>>{{0, 1}, {21, 3}}));
}

TEST_F(ThrottlerTest, TrailingRunRestartsTheIntervalAndALeadingRunLeavesAPendingOneAlone) {
    throttler_->throttle(run(1));
    loop_.advance(0.010);
    throttler_->throttle(run(2));  // due at 26 ms
    loop_.advance(0.016);
    EXPECT_EQ(runs_.back(), (std::pair<long, int>{26, 2}));
    loop_.advance(0.010);
    throttler_->throttle(run(3));  // 10 ms after the trailing run: waits
    loop_.advance(0.010);
    EXPECT_EQ(runs_.size(), 2u);
    loop_.advance(0.007);
    EXPECT_EQ(runs_.back(), (std::pair<long, int>{52, 3}));

    // A call an interval after the last run runs at once; one pending from just before still fires.
    loop_.advance(0.010);
    throttler_->throttle(run(4));  // 63 ms: pending, due at 79 ms
    loop_.advance(0.010);
    clock_.advance(0.010);         // 83 ms without turning the loop: the pending run is overdue
    throttler_->throttle(run(5));  // runs now
    loop_.runUntilIdle();
    EXPECT_EQ(runs_, (std::vector<std::pair<long, int>>{{0, 1}, {26, 2}, {52, 3}, {83, 5}, {83, 4}}));
}

TEST_F(ThrottlerTest, ReleasedThrottlerRunsNothingLater) {
    throttler_->throttle(run(1));
    throttler_->throttle(run(2));
    throttler_.reset();
    loop_.advance(1);
    EXPECT_EQ(runs_.size(), 1u);
    EXPECT_EQ(loop_.pendingCount(), 0u);
}

}  // namespace
}  // namespace quorvane
