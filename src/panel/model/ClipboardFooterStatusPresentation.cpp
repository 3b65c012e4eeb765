#include "panel/model/ClipboardFooterStatusPresentation.h"

#include "base/WhitespaceTrimming.h"
#include "l10n/L10n.h"
#include "preferences/SettingsAccessors.h"

namespace quorvane {

ClipboardFooterErrorMessage ClipboardFooterErrorMessage::accessibilityPermissionRequired() {
    return {L10n::text(L10nKey::returnPasteNeedsAccessibilityDetail), Kind::accessibilityPermissionRequired};
}

std::optional<ClipboardFooterStatusPresentation> footerStatusPresentation(
    const std::optional<ClipboardFooterErrorMessage>& errorMessage) {
    if (!errorMessage) return std::nullopt;
    const std::string trimmed(trimmedWhitespaceAndNewlines(errorMessage->text));
    if (trimmed.empty()) return std::nullopt;
    if (errorMessage->kind == ClipboardFooterErrorMessage::Kind::accessibilityPermissionRequired) {
        return ClipboardFooterStatusPresentation{L10n::text(L10nKey::returnPasteNeedsAccessibility),
                                                 L10n::text(L10nKey::returnPasteNeedsAccessibilityDetail),
                                                 std::nullopt,
                                                 ClipboardFooterStatusPresentation::TrailingAccessory::none};
    }
    return ClipboardFooterStatusPresentation{trimmed, trimmed, std::nullopt,
                                             ClipboardFooterStatusPresentation::TrailingAccessory::tip};
}

std::optional<ClipboardFooterStatusPresentation> makeUpdateFooterStatusPresentation(
    DistributionChannel channel, const ClipboardFooterUpdateState& update, const UserDefaults& userDefaults) {
    if (channel != DistributionChannel::direct || !update.isUpdateAvailable) return std::nullopt;
    // A visible menu-bar item carries the notice itself.
    if (menuBarShowIcon(userDefaults) && !menuBarStatusItemHiddenBySystem(userDefaults)) return std::nullopt;
    const std::string version(update.availableVersion ? trimmedWhitespaceAndNewlines(*update.availableVersion)
                                                      : std::string_view());
    std::string message =
        version.empty() ? L10n::text(L10nKey::updateReady) : L10n::text(L10nKey::updateVersionReady, version);
    std::string toolTip = message;
    return ClipboardFooterStatusPresentation{
        std::move(message), std::move(toolTip),
        ClipboardFooterStatusPresentation::Action{
            L10n::text(L10nKey::updateNow), ClipboardFooterStatusPresentation::Action::Kind::checkForUpdates},
        ClipboardFooterStatusPresentation::TrailingAccessory::action};
}

std::optional<ClipboardFooterStatusPresentation> chooseFooterStatusPresentation(
    const std::optional<ClipboardFooterErrorMessage>& errorMessage, DistributionChannel channel,
    const ClipboardFooterUpdateState& update, const UserDefaults& userDefaults) {
    // Said before the search failures it causes.
    if (!update.storageRefusal.empty())
        return footerStatusPresentation(ClipboardFooterErrorMessage{update.storageRefusal});
    if (auto error = footerStatusPresentation(errorMessage)) return error;
    if (update.isHistoryDamaged)
        return footerStatusPresentation(
            ClipboardFooterErrorMessage{L10n::text(L10nKey::historyDamagedStatus)});
    return makeUpdateFooterStatusPresentation(channel, update, userDefaults);
}

}  // namespace quorvane
