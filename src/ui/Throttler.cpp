#include "ui/Throttler.h"

namespace quorvane {

Throttler::Throttler(double interval, MainQueue& mainQueue, const Clock& clock)
    : interval_(interval), mainQueue_(mainQueue), clock_(clock) {}

void Throttler::throttle(std::function<void()> action) {
    const double now = clock_.now().timeIntervalSince1970;
    if (now - lastExecutionTime_ >= interval_) {
        lastExecutionTime_ = now;
        action();
        return;
    }
    // The timer belongs to this throttler and is cancelled with it, so `this` is alive whenever it fires.
    timer_ = mainQueue_.postAfter(interval_, [this, action = std::move(action)] {
        lastExecutionTime_ = clock_.now().timeIntervalSince1970;
        action();
    });
}

}  // namespace quorvane
