#pragma once

// Pastes into the window the user came from: asks the window manager to activate it, waits (bounded) until it
// really is active, lets it settle, then posts the window's paste key: the key its program pastes with (the
// entry put on the primary selection too where that key reads it), else Ctrl+V. A keystroke posted earlier
// would land in whatever window happens to have focus, so when the target never becomes active nothing is
// posted; nor is anything posted into a terminal whose paste key is unknown. One paste-back at a time: a
// second request while one runs (a double click) is ignored. Main queue only.

#include <functional>

#include "platform/MainQueue.h"
#include "platform/PasteShortcutPoster.h"
#include "platform/Pasteboard.h"
#include "platform/WindowActivation.h"

namespace quorvane {

enum class PasteBackOutcome {
    posted,
    // The target did not become active in time, or lost focus before the keystroke.
    targetNotActive,
    postFailed,
    // The target is a terminal with no known paste key, or a program that pastes the primary selection and
    // the entry has no text to put there: the entry is on the clipboard only.
    notPasteable,
    // Another paste-back was still running.
    ignoredWhileBusy,
};

class PasteBackPerformer {
public:
    static constexpr double defaultActivationTimeout = 0.5;
    static constexpr double activationPollInterval = 0.02;

    // `pasteboard` holds the entry by the time paste() is called.
    PasteBackPerformer(MainQueue& mainQueue, WindowActivation& activation, PasteShortcutPoster& poster,
                       Pasteboard& pasteboard, double activationTimeout = defaultActivationTimeout);
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
    // Puts the entry's text on the primary selection; false (logged) when there is none to put there.
    bool preparePrimarySelection(const PasteMethod& method);
    void finish(PasteBackOutcome outcome);

    MainQueue& mainQueue_;
    WindowActivation& activation_;
    PasteShortcutPoster& poster_;
    Pasteboard& pasteboard_;
    double activationTimeout_;

    bool busy_ = false;
    ReturnTarget target_;
    double settleDelay_ = 0;
    double waited_ = 0;
    std::function<void(PasteBackOutcome)> completion_;
    Timer timer_;
};

// What a panel pastes back with: the window activation, the keystroke and the performer over both. The
// program has one set, so one paste-back runs at a time across both panels.
struct PasteBackServices {
    WindowActivation& windowActivation;
    PasteShortcutPoster& pasteShortcutPoster;
    PasteBackPerformer& performer;
};

}  // namespace quorvane
