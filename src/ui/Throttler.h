#pragma once

// Runs an action at most once per interval while calls arrive in quick succession: the first call of a burst
// runs at once, and one more run follows a full interval after the last call. The centred panel uses one to
// rebuild its rows while its split view is resized. Main thread only; the trailing run is a main-queue timer
// that is cancelled with the throttler, so nothing runs after its owner is gone.

#include <functional>

#include "platform/Clock.h"
#include "platform/MainQueue.h"

namespace quorvane {

class Throttler {
public:
    // `mainQueue` and `clock` must outlive the throttler.
    Throttler(double interval, MainQueue& mainQueue, const Clock& clock);
    Throttler(const Throttler&) = delete;
    Throttler& operator=(const Throttler&) = delete;

    // Runs `action` now when the last run is at least an interval ago; otherwise replaces the pending
    // trailing run with this action, due one interval from now. A run now leaves a pending one in place.
    void throttle(std::function<void()> action);

    double interval() const { return interval_; }

private:
    Timer timer_;
    double lastExecutionTime_ = 0;
    double interval_;
    MainQueue& mainQueue_;
    const Clock& clock_;
};

}  // namespace quorvane
