#pragma once

// A launch-at-login switch for tests: the status is whatever the test sets; setEnabled() moves it between
// enabled and not registered, or throws the error the test chose. Main thread only.

#include <exception>
#include <vector>

#include "platform/LaunchAtLoginManaging.h"

namespace quorvane {

class InMemoryLaunchAtLoginManager final : public LaunchAtLoginManaging {
public:
    LaunchAtLoginStatus status() const override { return status_; }
    void setEnabled(bool enabled) override {
        requests.push_back(enabled);
        if (failure) std::rethrow_exception(failure);
        if (status_ == LaunchAtLoginStatus::unknown) throw LaunchAtLoginManagerError();
        status_ = enabled ? LaunchAtLoginStatus::enabled : LaunchAtLoginStatus::notRegistered;
    }

    void setStatus(LaunchAtLoginStatus status) { status_ = status; }

    // Thrown by every later setEnabled() while set.
    std::exception_ptr failure;
    // Every setEnabled() argument, in order.
    std::vector<bool> requests;

private:
    LaunchAtLoginStatus status_ = LaunchAtLoginStatus::notRegistered;
};

}  // namespace quorvane
