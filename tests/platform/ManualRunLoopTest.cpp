#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/memory/ManualRunLoop.h"

namespace quorvane {
namespace {

class ManualRunLoopTest : public ::testing::Test {
protected:
    FakeClock clock{Date(1000)};
    ManualRunLoop loop{clock};
    std::vector<std::string> order;
};

TEST_F(ManualRunLoopTest, PostedJobsRunOnALaterTurnInOrder) {
    loop.post([&] {
        order.push_back("a");
        loop.post([&] { order.push_back("c"); });
    });
    loop.post([&] { order.push_back("b"); });
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(loop.runUntilIdle(), 3u);
    EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(ManualRunLoopTest, TimersFireInDueOrderOnceAtTheirTime) {
    auto late = loop.postAfter(
        0.5, [&] { order.push_back("late@" + std::to_string(clock.now().timeIntervalSince1970)); });
    auto early = loop.postAfter(
        0.25, [&] { order.push_back("early@" + std::to_string(clock.now().timeIntervalSince1970)); });
    auto tie = loop.postAfter(0.25, [&] { order.push_back("tie"); });

    loop.advance(0.2);
    EXPECT_TRUE(order.empty());
    loop.advance(1.0);
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order[0], "early@" + std::to_string(1000.25));
    EXPECT_EQ(order[1], "tie");
    EXPECT_EQ(order[2], "late@" + std::to_string(1000.5));
    EXPECT_EQ(clock.now(), Date(1001.2));

    loop.advance(10);
    EXPECT_EQ(order.size(), 3u);  // one-shot
}

TEST_F(ManualRunLoopTest, CancelledOrDestroyedTimersNeverFire) {
    auto cancelled = loop.postAfter(0.1, [&] { order.push_back("cancelled"); });
    {
        auto dropped = loop.postAfter(0.1, [&] { order.push_back("dropped"); });
    }
    auto kept = loop.postAfter(0.1, [&] { order.push_back("kept"); });
    cancelled.cancel();
    EXPECT_EQ(loop.pendingCount(), 1u);
    loop.advance(1);
    EXPECT_EQ(order, (std::vector<std::string>{"kept"}));
}

TEST_F(ManualRunLoopTest, ReassigningATimerCancelsTheOldOne) {
    Timer timer = loop.postAfter(0.1, [&] { order.push_back("first"); });
    timer = loop.postAfter(0.2, [&] { order.push_back("second"); });
    loop.advance(1);
    EXPECT_EQ(order, (std::vector<std::string>{"second"}));
}

TEST_F(ManualRunLoopTest, TimerArmedByATimerFiresWithinTheSameAdvance) {
    Timer next;
    Timer first = loop.postAfter(0.25, [&] {
        order.push_back("tick1");
        next = loop.postAfter(0.25, [&] { order.push_back("tick2"); });
    });
    loop.advance(0.5);
    EXPECT_EQ(order, (std::vector<std::string>{"tick1", "tick2"}));
}

TEST_F(ManualRunLoopTest, RunSyncFromAnotherThreadWaitsForTheMainThread) {
    EXPECT_TRUE(loop.isMainThread());
    std::atomic<bool> done{false};
    bool ranOnMain = false;
    std::thread worker([&] {
        EXPECT_FALSE(loop.isMainThread());
        loop.runSync([&] { ranOnMain = loop.isMainThread(); });
        done = true;
    });
    while (!done) loop.runUntilIdle();
    worker.join();
    EXPECT_TRUE(ranOnMain);

    EXPECT_THROW(loop.runSync([] { throw std::runtime_error("boom"); }), std::runtime_error);
}

}  // namespace
}  // namespace quorvane
