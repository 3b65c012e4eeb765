#include "panel/model/PasteBackPerformer.h"

#include <string>
#include <utility>

#include "base/Logger.h"

namespace quorvane {

namespace {
constexpr const char* logCategory = "PasteBack";
}

PasteBackPerformer::PasteBackPerformer(MainQueue& mainQueue, WindowActivation& activation,
                                       PasteShortcutPoster& poster, double activationTimeout)
    : mainQueue_(mainQueue),
      activation_(activation),
      poster_(poster),
      activationTimeout_(activationTimeout) {}

void PasteBackPerformer::paste(const ReturnTarget& target, double settleDelay,
                               std::function<void(PasteBackOutcome)> completion) {
    if (busy_) {
        Logger::info("Paste-back already in progress, ignoring another request", logCategory);
        if (completion)
            mainQueue_.post(
                [completion = std::move(completion)] { completion(PasteBackOutcome::ignoredWhileBusy); });
        return;
    }
    busy_ = true;
    target_ = target;
    settleDelay_ = settleDelay;
    waited_ = 0;
    completion_ = std::move(completion);

    if (!activation_.isActive(target_) && !activation_.activate(target_)) {
        Logger::warning(
            "Failed to activate the paste target window " + std::to_string(target_.window) + "; not pasting",
            logCategory);
        timer_ = mainQueue_.postAfter(0, [this] { finish(PasteBackOutcome::targetNotActive); });
        return;
    }
    timer_ = mainQueue_.postAfter(0, [this] { poll(); });
}

void PasteBackPerformer::poll() {
    if (activation_.isActive(target_)) {
        timer_ = mainQueue_.postAfter(settleDelay_, [this] { postIfStillActive(); });
        return;
    }
    if (waited_ >= activationTimeout_) {
        Logger::warning(
            "Paste target window " + std::to_string(target_.window) + " did not become active; not pasting",
            logCategory);
        finish(PasteBackOutcome::targetNotActive);
        return;
    }
    waited_ += activationPollInterval;
    timer_ = mainQueue_.postAfter(activationPollInterval, [this] { poll(); });
}

void PasteBackPerformer::postIfStillActive() {
    if (!activation_.isActive(target_)) {
        Logger::warning("Paste target window " + std::to_string(target_.window) +
                            " lost focus before the paste; not pasting",
                        logCategory);
        finish(PasteBackOutcome::targetNotActive);
        return;
    }
    if (!poster_.postPasteShortcut()) {
        Logger::warning("Failed to post the paste shortcut", logCategory);
        finish(PasteBackOutcome::postFailed);
        return;
    }
    Logger::info("Pasted into window " + std::to_string(target_.window), logCategory);
    finish(PasteBackOutcome::posted);
}

void PasteBackPerformer::finish(PasteBackOutcome outcome) {
    busy_ = false;
    timer_.cancel();
    auto completion = std::exchange(completion_, nullptr);
    if (completion) completion(outcome);
}

}  // namespace quorvane
