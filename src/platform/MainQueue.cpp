#include "platform/MainQueue.h"

#include "base/RunAndWait.h"

namespace quorvane {

void MainQueue::runSync(const std::function<void()>& job) {
    if (isMainThread()) {
        job();
        return;
    }
    runAndWait([this](std::function<void()> wrapped) { post(std::move(wrapped)); }, job);
}

}  // namespace quorvane
