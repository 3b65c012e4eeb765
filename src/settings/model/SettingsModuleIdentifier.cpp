#include "settings/model/SettingsModuleIdentifier.h"

#include "l10n/L10n.h"

namespace quorvane {

std::string_view rawValue(SettingsModuleIdentifier identifier) {
    switch (identifier) {
        case SettingsModuleIdentifier::general:
            return "general";
        case SettingsModuleIdentifier::storage:
            return "storage";
        case SettingsModuleIdentifier::appFilter:
            return "appFilter";
        case SettingsModuleIdentifier::advanced:
            return "advanced";
    }
    return "general";
}

std::optional<SettingsModuleIdentifier> settingsModuleIdentifierFromRawValue(std::string_view value) {
    for (const auto identifier : allSettingsModuleIdentifiers) {
        if (rawValue(identifier) == value) return identifier;
    }
    return std::nullopt;
}

std::string title(SettingsModuleIdentifier identifier) {
    switch (identifier) {
        case SettingsModuleIdentifier::general:
            return L10n::text(L10nKey::settingsTabGeneral);
        case SettingsModuleIdentifier::storage:
            return L10n::text(L10nKey::settingsTabStorage);
        case SettingsModuleIdentifier::appFilter:
            return L10n::text(L10nKey::settingsTabAppFilter);
        case SettingsModuleIdentifier::advanced:
            return L10n::text(L10nKey::settingsTabAdvanced);
    }
    return {};
}

}  // namespace quorvane
