#pragma once

// A FIFO queue of jobs run one at a time on a worker thread of its own (the repository's read and index
// queues, the index store's statement queue, the search service). async() and sync() are safe from any
// thread. Destruction runs every job already queued, then joins the worker.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>

#include "base/JobQueue.h"
#include "base/RunAndWait.h"

namespace quorvane {

class SerialQueue final : public JobQueue {
public:
    explicit SerialQueue(std::string label);
    ~SerialQueue() override;
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const std::string& label() const { return label_; }

    // Queues `job` behind every job queued before it.
    void async(std::function<void()> job) override;
    // Queues `job` and waits for it. Called from a job of this queue it runs inline instead of deadlocking.
    // Exceptions thrown by `job` reach the caller.
    void sync(const std::function<void()>& job);
    // Returns `job`'s result, run as with sync().
    template <class F>
    auto syncResult(F&& job) -> decltype(job()) {
        return runReturning([this](const std::function<void()>& wrapped) { sync(wrapped); }, job);
    }
    // Waits until every job queued before this call has run.
    void drain();
    // True on the queue's worker thread.
    bool isCurrent() const { return std::this_thread::get_id() == worker_.get_id(); }

private:
    void run();

    std::string label_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace quorvane
