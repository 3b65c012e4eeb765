#pragma once

// A tray host the test switches on and off.

#include "platform/TrayHost.h"

namespace quorvane {

class InMemoryTrayHost final : public TrayHost {
public:
    explicit InMemoryTrayHost(bool available = true) : available_(available) {}
    bool isAvailable() const override {
        ++checkCount;
        return available_;
    }
    // Without reports the host can only be looked at again; with them setAvailable() is announced.
    bool reportsAvailabilityChanges() const override { return reports_; }
    void setReportsAvailabilityChanges(bool reports) { reports_ = reports; }
    void setAvailable(bool available) {
        available_ = available;
        if (reports_) announceAvailabilityChange();
    }

    mutable int checkCount = 0;

private:
    bool available_;
    bool reports_ = false;
};

}  // namespace quorvane
