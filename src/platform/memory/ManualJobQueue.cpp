#include "platform/memory/ManualJobQueue.h"

#include <utility>

namespace quorvane {

void ManualJobQueue::async(std::function<void()> job) {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
}

bool ManualJobQueue::runOne() {
    std::function<void()> job;
    {
        std::lock_guard lock(mutex_);
        if (jobs_.empty()) return false;
        job = std::move(jobs_.front());
        jobs_.pop_front();
    }
    job();
    return true;
}

std::size_t ManualJobQueue::runUntilIdle() {
    std::size_t ran = 0;
    while (runOne()) ++ran;
    return ran;
}

std::size_t ManualJobQueue::pendingCount() const {
    std::lock_guard lock(mutex_);
    return jobs_.size();
}

}  // namespace quorvane
