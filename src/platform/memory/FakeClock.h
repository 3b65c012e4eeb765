#pragma once

// A clock that moves only when told to. Safe from any thread.

#include <atomic>

#include "platform/Clock.h"

namespace quorvane {

class FakeClock final : public Clock {
public:
    explicit FakeClock(Date start = Date(1'700'000'000.0)) : seconds_(start.timeIntervalSince1970) {}

    Date now() const override { return Date(seconds_.load()); }
    void set(Date date) { seconds_.store(date.timeIntervalSince1970); }
    void advance(double seconds) { seconds_.store(seconds_.load() + seconds); }

private:
    std::atomic<double> seconds_;
};

}  // namespace quorvane
