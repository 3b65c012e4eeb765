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
    void setAvailable(bool available) { available_ = available; }

    mutable int checkCount = 0;

private:
    bool available_;
};

}  // namespace quorvane
