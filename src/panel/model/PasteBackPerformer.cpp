#include "panel/model/PasteBackPerformer.h"

#include <optional>
#include <string>
#include <utility>

#include "base/Logger.h"

namespace quorvane {

namespace {

constexpr const char* logCategory = "PasteBack";

std::string describedClass(const std::optional<WindowClass>& windowClass) {
    if (!windowClass) return "class unreadable";
    return "class " + windowClass->instance + "/" + windowClass->className;
}

}  // namespace

PasteBackPerformer::PasteBackPerformer(MainQueue& mainQueue, WindowActivation& activation,
                                       PasteShortcutPoster& poster, Pasteboard& pasteboard,
                                       double activationTimeout)
    : mainQueue_(mainQueue),
      activation_(activation),
      poster_(poster),
      pasteboard_(pasteboard),
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
    const std::string window = std::to_string(target_.window);
    const std::optional<WindowClass> windowClass = activation_.windowClass(target_);
    const PasteMethod method = pasteMethodFor(windowClass);
    if (!method.keystroke) {
        Logger::warning("No paste key is known for the terminal " + method.program + " (window " + window +
                            "); the entry is on the clipboard, not pasted",
                        logCategory);
        finish(PasteBackOutcome::notPasteable);
        return;
    }
    if (method.needsPrimarySelection() && !preparePrimarySelection(method)) {
        finish(PasteBackOutcome::notPasteable);
        return;
    }
    const std::string keystroke(pasteKeystrokeName(*method.keystroke));
    if (!poster_.postPasteShortcut(*method.keystroke)) {
        Logger::warning("Failed to post " + keystroke + " into window " + window, logCategory);
        finish(PasteBackOutcome::postFailed);
        return;
    }
    if (method.isKnownProgram()) {
        Logger::info("Pasted into window " + window + " with " + keystroke + " (" +
                         (method.isTerminal() ? "terminal " : "") + method.program + ")",
                     logCategory);
    } else {
        // For a program not in the table Ctrl+V is a guess: say what was sent, not that it pasted.
        Logger::info("Sent " + keystroke + " to window " + window + " (" + describedClass(windowClass) +
                         "); its program is not in the paste table, so the paste is not confirmed",
                     logCategory);
    }
    finish(PasteBackOutcome::posted);
}

bool PasteBackPerformer::preparePrimarySelection(const PasteMethod& method) {
    const auto text = pasteboard_.string();
    if (!text) {
        Logger::warning(method.program +
                            " pastes only text from the primary selection and the entry has none; it is "
                            "on the clipboard, not pasted",
                        logCategory);
        return false;
    }
    if (!pasteboard_.writePrimarySelection(*text)) {
        Logger::warning("Failed to put the entry on the primary selection for " + method.program +
                            "; it is on the clipboard, not pasted",
                        logCategory);
        return false;
    }
    return true;
}

void PasteBackPerformer::finish(PasteBackOutcome outcome) {
    busy_ = false;
    timer_.cancel();
    auto completion = std::exchange(completion_, nullptr);
    if (completion) completion(outcome);
}

}  // namespace quorvane
