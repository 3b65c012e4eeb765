#pragma once

// Where a model sends work that must not run on the main thread: SerialQueue runs it on a worker thread of
// its own, ManualJobQueue (the double in platform/memory/) when a test says so. async() is safe from any
// thread.

#include <functional>

namespace quorvane {

class JobQueue {
public:
    virtual ~JobQueue() = default;

    // Queues `job` behind every job queued before it; jobs run one at a time, in order.
    virtual void async(std::function<void()> job) = 0;
};

}  // namespace quorvane
