#include "base/SerialQueue.h"

#include "base/Logger.h"
#include "base/RunAndWait.h"

namespace quorvane {

SerialQueue::SerialQueue(std::string label) : label_(std::move(label)), worker_([this] { run(); }) {}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (worker_.joinable()) {
        if (isCurrent()) {
            worker_.detach();  // destroyed from its own job: nothing left to wait for safely
        } else {
            worker_.join();
        }
    }
}

void SerialQueue::async(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void SerialQueue::sync(const std::function<void()>& job) {
    if (isCurrent()) {
        job();
        return;
    }
    runAndWait([this](std::function<void()> wrapped) { async(std::move(wrapped)); }, job);
}

void SerialQueue::drain() {
    sync([] {});
}

void SerialQueue::run() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) return;  // stopping and drained
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        try {
            job();
        } catch (const std::exception& error) {
            Logger::error("Failed to run a job on " + label_ + ": " + error.what(), "SerialQueue");
        } catch (...) {
            Logger::error("Failed to run a job on " + label_ + ": unknown error", "SerialQueue");
        }
    }
}

}  // namespace quorvane
