#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/linux/QtJobReceiver.h"
#include "support/QtTestApplication.h"

namespace quorvane {
namespace {

// Notes the thread that frees it.
class FreedOn {
public:
    FreedOn(std::mutex& mutex, std::vector<std::thread::id>& threads) : mutex_(mutex), threads_(threads) {}
    ~FreedOn() {
        std::lock_guard lock(mutex_);
        threads_.push_back(std::this_thread::get_id());
    }

private:
    std::mutex& mutex_;
    std::vector<std::thread::id>& threads_;
};

bool processEventsUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10'000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// Jobs posted from another thread run in their order on the receiver's thread, and what they captured is
// freed there after they ran, never by the sender.
TEST(QtJobReceiverTest, JobsFromAnotherThreadRunInOrderAndAreFreedOnTheReceiversThread) {
    testing::qtTestApplication();
    QtJobReceiver receiver;
    std::mutex mutex;
    std::vector<std::thread::id> freedOn;
    std::vector<int> order;
    std::vector<std::thread::id> ranOn;
    constexpr int jobs = 200;
    std::thread sender([&] {
        for (int i = 0; i < jobs; ++i) {
            receiver.post([&order, &ranOn, i, capture = std::make_shared<FreedOn>(mutex, freedOn)] {
                order.push_back(i);
                ranOn.push_back(std::this_thread::get_id());
            });
            // Every few jobs the sender waits a little, so the receiver runs some while it still posts.
            if (i % 20 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    ASSERT_TRUE(processEventsUntil([&] {
        std::lock_guard lock(mutex);
        return freedOn.size() == jobs;
    }));
    sender.join();
    ASSERT_EQ(order.size(), std::size_t(jobs));
    for (int i = 0; i < jobs; ++i) EXPECT_EQ(order[i], i);
    for (const auto& thread : ranOn) EXPECT_EQ(thread, std::this_thread::get_id());
    for (const auto& thread : freedOn) EXPECT_EQ(thread, std::this_thread::get_id());
}

// Jobs still queued when the receiver goes never run; they are freed with it, on its thread.
TEST(QtJobReceiverTest, JobsLeftWhenTheReceiverGoesAreFreedUnrun) {
    testing::qtTestApplication();
    std::mutex mutex;
    std::vector<std::thread::id> freedOn;
    bool ran = false;
    {
        QtJobReceiver receiver;
        std::thread([&] {
            receiver.post([&ran, capture = std::make_shared<FreedOn>(mutex, freedOn)] { ran = true; });
        }).join();
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
    ASSERT_EQ(freedOn.size(), 1u);
    EXPECT_EQ(freedOn.front(), std::this_thread::get_id());
}

}  // namespace
}  // namespace quorvane
