#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "base/SerialQueue.h"

namespace quorvane {
namespace {

TEST(SerialQueueTest, RunsJobsOneAtATimeInFifoOrder) {
    std::vector<int> order;
    std::atomic<int> running{0};
    std::atomic<int> maxRunning{0};
    {
        SerialQueue queue("Quorvane.Test");
        std::vector<std::thread> producers;
        for (int p = 0; p < 4; ++p) {
            producers.emplace_back([&, p] {
                for (int i = 0; i < 50; ++i) {
                    queue.async([&, p, i] {
                        const int now = ++running;
                        maxRunning = std::max(maxRunning.load(), now);
                        order.push_back(p * 1000 + i);
                        std::this_thread::yield();
                        --running;
                    });
                }
            });
        }
        for (auto& t : producers) t.join();
        queue.drain();
        EXPECT_EQ(order.size(), 200u);
    }
    EXPECT_EQ(maxRunning.load(), 1);
    // Per producer the jobs kept their order.
    for (int p = 0; p < 4; ++p) {
        int last = -1;
        for (int value : order) {
            if (value / 1000 != p) continue;
            EXPECT_GT(value % 1000, last);
            last = value % 1000;
        }
    }
}

TEST(SerialQueueTest, DestructionRunsEveryQueuedJob) {
    std::atomic<int> ran{0};
    {
        SerialQueue queue("Quorvane.Test");
        queue.async([] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); });
        for (int i = 0; i < 100; ++i) queue.async([&] { ++ran; });
    }
    EXPECT_EQ(ran.load(), 100);
}

TEST(SerialQueueTest, SyncReturnsResultsRethrowsAndNestsWithoutDeadlock) {
    SerialQueue queue("Quorvane.Test");
    EXPECT_EQ(queue.syncResult([] { return 42; }), 42);
    EXPECT_THROW(queue.sync([] { throw std::runtime_error("boom"); }), std::runtime_error);
    bool inner = false;
    queue.sync([&] {
        EXPECT_TRUE(queue.isCurrent());
        queue.sync([&] { inner = true; });
    });
    EXPECT_TRUE(inner);
    EXPECT_FALSE(queue.isCurrent());
}

TEST(SerialQueueTest, AThrowingAsyncJobDoesNotStopTheQueue) {
    SerialQueue queue("Quorvane.Test");
    queue.async([] { throw std::runtime_error("boom"); });
    std::atomic<bool> after{false};
    queue.async([&] { after = true; });
    queue.drain();
    EXPECT_TRUE(after);
}

}  // namespace
}  // namespace quorvane
