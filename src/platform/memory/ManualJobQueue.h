#pragma once

// A job queue for tests: jobs wait until the test runs them, on the test's own thread, so a model's worker
// steps happen exactly where the test puts them. async() is safe from any thread; the run calls belong to
// the test. Jobs never run are freed with the queue.

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

#include "base/JobQueue.h"

namespace quorvane {

class ManualJobQueue final : public JobQueue {
public:
    void async(std::function<void()> job) override;

    // Runs every queued job, including jobs those jobs queue, until none is left. Returns how many ran.
    std::size_t runUntilIdle();
    // Runs the oldest queued job; false when none was queued.
    bool runOne();
    std::size_t pendingCount() const;

private:
    mutable std::mutex mutex_;
    std::deque<std::function<void()>> jobs_;
};

}  // namespace quorvane
