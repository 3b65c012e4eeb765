#include "panel/model/ClipboardPanelPasteBack.h"

#include "base/Logger.h"
#include "panel/model/ClipboardFooterStatusPresentation.h"
#include "preferences/SettingsAccessors.h"

namespace quorvane {

namespace {
constexpr const char* logCategory = "ClipboardPanelController";
}

ClipboardPanelPasteBack::ClipboardPanelPasteBack(Dependencies dependencies) : dependencies_(dependencies) {}

bool ClipboardPanelPasteBack::isAutoPasteEnabled() const {
    return dependencies_.distributionChannel == DistributionChannel::direct &&
           directPasteReturnKeyAutoPasteEnabled(dependencies_.userDefaults);
}

ClipboardPanelPasteBack::Outcome ClipboardPanelPasteBack::pasteSelectedItem(
    std::optional<ClipboardHistoryIndexSnapshot> entry, bool asPlainText, std::optional<ReturnTarget> target,
    std::function<void()> hidePanel) {
    if (inFlight_ || dependencies_.performer.isBusy()) {
        Logger::info("A paste-back is already running; ignoring another confirmation", logCategory);
        return Outcome::ignored;
    }
    if (!entry) entry = dependencies_.viewModel.selectedItem();
    if (!entry) return Outcome::ignored;

    auto& viewModel = dependencies_.viewModel;
    viewModel.setErrorMessage(std::nullopt);
    const bool autoPaste = isAutoPasteEnabled();
    if (autoPaste && !dependencies_.accessibilityPermissionManager.isTrusted()) {
        viewModel.setErrorMessage(ClipboardFooterErrorMessage::accessibilityPermissionRequired().text);
        return Outcome::needsAccessibility;
    }

    inFlight_ = true;
    std::weak_ptr<char> alive = lifetime_;
    viewModel.copyEntry(*entry, asPlainText, entry->id,
                        [this, alive, target, autoPaste, hidePanel = std::move(hidePanel)](bool succeeded) {
                            if (alive.expired()) return;
                            completePasteBack(succeeded, target, autoPaste, hidePanel);
                        });
    return Outcome::started;
}

void ClipboardPanelPasteBack::completePasteBack(bool succeeded, const std::optional<ReturnTarget>& target,
                                                bool autoPaste, const std::function<void()>& hidePanel) {
    if (!succeeded) {
        inFlight_ = false;
        return;
    }
    if (hidePanel) hidePanel();
    if (!target) {
        inFlight_ = false;
        return;
    }
    if (!autoPaste) {
        if (!dependencies_.activation.activate(*target))
            Logger::warning("Failed to give the focus back to window " + std::to_string(target->window),
                            logCategory);
        inFlight_ = false;
        return;
    }
    std::weak_ptr<char> alive = lifetime_;
    const auto window = target->window;
    dependencies_.performer.paste(
        *target, directAutoPasteDelay, [this, alive, window](PasteBackOutcome outcome) {
            if (outcome == PasteBackOutcome::posted)
                Logger::info("Pasted the confirmed entry into window " + std::to_string(window), logCategory);
            if (!alive.expired()) inFlight_ = false;
        });
}

}  // namespace quorvane
