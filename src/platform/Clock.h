#pragma once

// The source of the current time. Services take a Clock so tests can drive time with FakeClock.
// Implementations are safe from any thread.

#include "base/Date.h"

namespace quorvane {

class Clock {
public:
    virtual ~Clock() = default;
    // Returns the current time.
    virtual Date now() const = 0;
};

// The wall clock.
class SystemClock final : public Clock {
public:
    Date now() const override;
};

}  // namespace quorvane
