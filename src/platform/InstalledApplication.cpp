#include "platform/InstalledApplication.h"

namespace quorvane {

const std::string& InstalledApplication::localizedName(std::string_view locale) const {
    // "lang_COUNTRY.ENCODING@MODIFIER": the encoding never takes part in matching.
    std::string_view modifier;
    if (const auto at = locale.find('@'); at != std::string_view::npos) {
        modifier = locale.substr(at + 1);
        locale = locale.substr(0, at);
    }
    if (const auto dot = locale.find('.'); dot != std::string_view::npos) locale = locale.substr(0, dot);
    std::string_view language = locale;
    std::string_view country;
    if (const auto underscore = locale.find('_'); underscore != std::string_view::npos) {
        language = locale.substr(0, underscore);
        country = locale.substr(underscore + 1);
    }
    if (language.empty()) return name;

    const auto lookup = [this](const std::string& key) -> const std::string* {
        const auto found = localizedNames.find(key);
        return found == localizedNames.end() ? nullptr : &found->second;
    };
    const std::string languageKey(language);
    const std::string withCountry =
        country.empty() ? std::string() : languageKey + "_" + std::string(country);
    const std::string withModifier = modifier.empty() ? std::string() : "@" + std::string(modifier);
    if (!withCountry.empty() && !withModifier.empty()) {
        if (const auto* found = lookup(withCountry + withModifier)) return *found;
    }
    if (!withCountry.empty()) {
        if (const auto* found = lookup(withCountry)) return *found;
    }
    if (!withModifier.empty()) {
        if (const auto* found = lookup(languageKey + withModifier)) return *found;
    }
    if (const auto* found = lookup(languageKey)) return *found;
    return name;
}

}  // namespace quorvane
