#pragma once

// How often the pasteboard monitor polls: every base interval normally, every burst interval until the burst
// deadline that each observed change and each copy keystroke pushes forward. Plain value, safe from any
// thread.

#include <optional>

#include "base/Date.h"

namespace quorvane {

struct ClipboardMonitorCadence {
    double baseInterval = 0.25;
    double burstInterval = 0.03;
    // Length of a burst, counted from the event that starts it.
    double burstDuration = 1.2;
    // End of the current burst; a burst lasts while now is strictly earlier.
    std::optional<Date> burstDeadline;

    bool isBursting(Date now) const { return burstDeadline && now < *burstDeadline; }
    // The delay until the next poll at `now`.
    double nextDelay(Date now) const { return isBursting(now) ? burstInterval : baseInterval; }
    // Starts (or extends) a burst at `now`.
    void startBurst(Date now) { burstDeadline = now.addingTimeInterval(burstDuration); }

    friend bool operator==(const ClipboardMonitorCadence&, const ClipboardMonitorCadence&) = default;
};

}  // namespace quorvane
