#pragma once

// The updater of every build without an update feed: its state is fixed at construction and it never
// changes, checks or downloads anything. Main thread only.

#include "app/model/AppUpdateManaging.h"

namespace quorvane {

class NoopAppUpdater final : public AppUpdateManaging {
public:
    // Updates unsupported: no update command is shown.
    NoopAppUpdater() = default;
    explicit NoopAppUpdater(AppUpdateState state) : state_(std::move(state)) {}

    Subscription observeChanges(std::function<void()>) override { return {}; }
    AppUpdateState state() const override { return state_; }
    void start() override {}
    void performLaunchUpdateProbe() override {}
    void checkForUpdates() override {}

private:
    AppUpdateState state_;
};

}  // namespace quorvane
