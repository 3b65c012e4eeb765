#pragma once

// Whether the desktop shows tray items at all. Without a tray host our item is "hidden by the system": the
// hot key and the settings window still reach everything. Main thread only.

#include <functional>

#include "base/CallbackList.h"

namespace quorvane {

class TrayHost {
public:
    virtual ~TrayHost() = default;
    virtual bool isAvailable() const = 0;

    // True when observeAvailability() hears of every tray host that comes or goes, so nobody has to look
    // again on a timer.
    virtual bool reportsAvailabilityChanges() const { return false; }
    // Calls `handler` on the main thread when a tray host may have come or gone; isAvailable() tells which.
    [[nodiscard]] Subscription observeAvailability(std::function<void()> handler) const {
        return availabilityChanges_.subscribe(std::move(handler));
    }

protected:
    void announceAvailabilityChange() const { availabilityChanges_.notify(); }

private:
    mutable CallbackList<> availabilityChanges_;
};

}  // namespace quorvane
