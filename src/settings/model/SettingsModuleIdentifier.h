#pragma once

// The pages of the settings window, in tab order, with their stored names ("general", "storage", "appFilter",
// "advanced") and their tab titles in the interface language. Plain value, safe from any thread.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

enum class SettingsModuleIdentifier { general, storage, appFilter, advanced };

inline constexpr std::array allSettingsModuleIdentifiers = {
    SettingsModuleIdentifier::general, SettingsModuleIdentifier::storage, SettingsModuleIdentifier::appFilter,
    SettingsModuleIdentifier::advanced};

std::string_view rawValue(SettingsModuleIdentifier identifier);
// The page with exactly that name, or nothing.
std::optional<SettingsModuleIdentifier> settingsModuleIdentifierFromRawValue(std::string_view rawValue);
// The tab title in the current interface language.
std::string title(SettingsModuleIdentifier identifier);
// The position in tab order.
inline std::size_t indexOf(SettingsModuleIdentifier identifier) {
    return static_cast<std::size_t>(identifier);
}

}  // namespace quorvane
