#include "app/model/AppUpdateManaging.h"

#include "base/WhitespaceTrimming.h"
#include "l10n/L10n.h"

namespace quorvane {

std::optional<std::string> AppUpdateManaging::trimmedAvailableVersion() const {
    const AppUpdateState current = state();
    if (current.availability.kind != AppUpdateAvailability::Kind::updateAvailable) return std::nullopt;
    if (!current.availability.version) return std::nullopt;
    const std::string_view trimmed = trimmedWhitespaceAndNewlines(*current.availability.version);
    if (trimmed.empty()) return std::nullopt;
    return std::string(trimmed);
}

AppUpdatePresentation AppUpdateManaging::updatePresentation() const {
    if (!isUpdateAvailable()) {
        return {L10n::text(L10nKey::updaterCheckForUpdatesMenuTitle),
                L10n::text(L10nKey::updaterCheckForUpdatesTitle), std::nullopt};
    }
    if (const auto version = trimmedAvailableVersion()) {
        return {L10n::text(L10nKey::updaterUpdateToVersionMenuTitle, *version),
                L10n::text(L10nKey::updaterUpdateToVersionTitle, *version),
                L10n::text(L10nKey::updaterVersionReadyToolTip, *version)};
    }
    return {L10n::text(L10nKey::updaterUpdateAvailableMenuTitle),
            L10n::text(L10nKey::updaterUpdateAvailableTitle), L10n::text(L10nKey::updaterUpdateReadyToolTip)};
}

}  // namespace quorvane
