#pragma once

// Pastes into the window the user came from: asks the window manager to activate it, waits (bounded) until it
// really is active, lets it settle, then posts Ctrl+V. A keystroke posted earlier would land in whatever
// window happens to have focus, so when the target never becomes active nothing is posted. One paste-back
// at a time: a second request while one runs (a double click) is ignored. Main queue only.

#include <functional>

#include "platform/MainQueue.h"
#include "platform/PasteShortcutPoster.h"
#include "platform/WindowActivation.h"

namespace quorvane {

enum class PasteBackOutcome {
    posted,
    // The target did not become active in time, or lost focus before the keystroke.
    targetNotActive,
    postFailed,
    // Another paste-back was still running.
    ignoredWhileBusy,
};

class PasteBackPerformer {
public:
    static constexpr double defaultActivationTimeout = 0.5;
    static constexpr double activationPollInterval = 0.02;

    PasteBackPerformer(MainQueue& mainQueue, WindowActivation& activation, PasteShortcutPoster& poster,
                       double activationTimeout = defaultActivationTimeout);
    PasteBackPerformer(const PasteBackPerformer&) = delete;
    PasteBackPerformer& operator=(const PasteBackPerformer&) = delete;

    // Starts a paste-back into `target`, posting `settleDelay` seconds after it became active. The
    // completion runs on the main queue, never inside this call; for a request ignored while busy it still
    // runs (with ignoredWhileBusy).
    void paste(const ReturnTarget& target, double settleDelay,
               std::function<void(PasteBackOutcome)> completion = {});

    bool isBusy() const { return busy_; }

private:
    void poll();
    void postIfStillActive();
    void finish(PasteBackOutcome outcome);

    MainQueue& mainQueue_;
    WindowActivation& activation_;
    PasteShortcutPoster& poster_;
    double activationTimeout_;

    bool busy_ = false;
    ReturnTarget target_;
    double settleDelay_ = 0;
    double waited_ = 0;
    std::function<void(PasteBackOutcome)> completion_;
    Timer timer_;
};

}  // namespace quorvane
