#include "platform/MainQueue.h"

#include <exception>
#include <future>

namespace quorvane {

void MainQueue::runSync(const std::function<void()>& job) {
    if (isMainThread()) {
        job();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    post([&job, &done] {
        try {
            job();
            done.set_value();
        } catch (...) {
            done.set_exception(std::current_exception());
        }
    });
    finished.get();
}

}  // namespace quorvane
