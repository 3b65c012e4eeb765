#include "preferences/AppEnvironment.h"

#include <cctype>

#include "ApplicationInformation.h"
#include "base/WhitespaceTrimming.h"

namespace quorvane {

const AppEnvironment& AppEnvironment::main() {
    static const AppEnvironment environment = [] {
        AppEnvironment made;
        for (const auto& row : generated::applicationInformationTable) {
            made.infoDictionary.emplace(row.key, std::string(row.value));
        }
        return made;
    }();
    return environment;
}

namespace {

std::optional<std::string> trimmedString(const DefaultsValue::Dictionary& dictionary, const char* key) {
    const auto found = dictionary.find(key);
    if (found == dictionary.end()) return std::nullopt;
    const auto value = found->second.stringValue();
    if (!value) return std::nullopt;
    const std::string_view trimmed = trimmedWhitespaceAndNewlines(*value);
    if (trimmed.empty()) return std::nullopt;
    return std::string(trimmed);
}

bool readsAsURL(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == 0 || colon == std::string_view::npos || colon + 1 == text.size()) return false;
    if (!std::isalpha(static_cast<unsigned char>(text[0]))) return false;
    for (const char c : text.substr(0, colon)) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return false;
    }
    return text.find_first_of(" \t\n\r") == std::string_view::npos;
}

}  // namespace

std::optional<std::string> AppEnvironment::feedURL() const {
    if (!trimmedString(infoDictionary, "SUFeedURL")) return std::nullopt;
    // Parsed from the stored text itself, so surrounding blanks make it unreadable.
    const auto stored = infoDictionary.at("SUFeedURL").stringValue();
    if (!readsAsURL(*stored)) return std::nullopt;
    return stored;
}

std::optional<std::string> AppEnvironment::publicEDKey() const {
    return trimmedString(infoDictionary, "SUPublicEDKey");
}

}  // namespace quorvane
