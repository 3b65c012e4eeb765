#pragma once

// A main queue for tests: nothing runs until the test turns the loop, and time is a FakeClock that the loop
// advances. The thread that creates it is the main thread. post() and postAfter() are safe from any thread;
// the run and advance calls belong to the main thread.

#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/MainQueue.h"
#include "platform/memory/FakeClock.h"

namespace quorvane {

class ManualRunLoop final : public MainQueue {
public:
    explicit ManualRunLoop(FakeClock& clock);

    void post(std::function<void()> job) override;
    Timer postAfter(double delaySeconds, std::function<void()> job) override;
    bool isMainThread() const override;

    // Runs every job that is due now, including jobs those jobs post, until none is left. Returns how many
    // ran.
    std::size_t runUntilIdle();
    // Moves the clock forward by `seconds`, stopping at each timer's due time in order to fire it (and
    // whatever it posts) before going on. Returns how many jobs ran.
    std::size_t advance(double seconds);
    // Number of jobs and armed timers not yet run (cancelled timers excluded).
    std::size_t pendingCount() const;

private:
    struct Entry {
        double due;
        std::uint64_t sequence;
        std::shared_ptr<Timer::Token> token;
        std::function<void()> job;
    };

    bool runOneDue();

    FakeClock& clock_;
    std::thread::id mainThread_;
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    std::uint64_t nextSequence_ = 0;
};

}  // namespace quorvane
