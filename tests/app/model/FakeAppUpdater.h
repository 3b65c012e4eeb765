#pragma once

#include "app/model/AppUpdateManaging.h"

namespace quorvane {

// An updater whose state the test sets; records update checks.
class FakeAppUpdater final : public AppUpdateManaging {
public:
    explicit FakeAppUpdater(AppUpdateState state = {}) : state_(std::move(state)) {}

    Subscription observeChanges(std::function<void()> callback) override {
        return changes_.subscribe(std::move(callback));
    }
    AppUpdateState state() const override { return state_; }
    void start() override {}
    void performLaunchUpdateProbe() override {}
    void checkForUpdates() override { ++checkCount; }

    void setState(AppUpdateState state) {
        if (state == state_) return;
        state_ = std::move(state);
        changes_.notify();
    }

    int checkCount = 0;

private:
    AppUpdateState state_;
    CallbackList<> changes_;
};

}  // namespace quorvane
