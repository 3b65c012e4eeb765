#include "search/ClipboardSearchVocabulary.h"

#include <algorithm>
#include <unordered_set>

#include "core/SearchTextNormalizer.h"

namespace quorvane {
namespace {

std::string trimmed(std::string_view text) {
    constexpr std::string_view blanks = " \t\n\r\v\f";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(blanks) - first + 1));
}

// The spaced and compact keys of a name or identifier: separators "-", "_" and "." count as blanks.
std::vector<std::string> matchKeys(std::string_view name) {
    std::string spaced = SearchTextNormalizer::normalize(name);
    std::replace_if(spaced.begin(), spaced.end(), [](char c) { return c == '-' || c == '_' || c == '.'; }, ' ');
    spaced = SearchTextNormalizer::normalize(spaced);
    std::string compact = spaced;
    std::erase(compact, ' ');
    std::vector<std::string> keys;
    for (auto& key : {spaced, compact}) {
        if (!key.empty()) keys.push_back(key);
    }
    return keys;
}

}  // namespace

std::optional<ClipboardContentType> ClipboardSearchVocabulary::mainContentTypeMatching(std::string_view word) {
    const std::string value = SearchTextNormalizer::normalize(word);
    if (value.empty()) return std::nullopt;
    if (value == "text") return ClipboardContentType::text;
    if (value == "image" || value == "img") return ClipboardContentType::image;
    return std::nullopt;
}

bool ClipboardSearchVocabulary::namesBuiltInClassification(std::string_view normalizedValue) {
    return std::any_of(builtInClassifications.begin(), builtInClassifications.end(), [&](const auto& name) {
        return SearchTextNormalizer::normalize(name.displayName) == normalizedValue ||
               SearchTextNormalizer::normalize(name.rawValue) == normalizedValue;
    });
}

std::vector<std::string> ClipboardSearchVocabulary::resolveByIdentifier(const std::string& appValue,
                                                                        const std::vector<std::string>& known) {
    std::vector<std::string> result;
    std::unordered_set<std::string> seen;
    const auto add = [&](const std::string& identifier) {
        if (seen.insert(SearchTextNormalizer::normalize(identifier)).second) result.push_back(identifier);
    };
    const std::string value = trimmed(appValue);
    const bool looksLikeIdentifier =
        value.find('.') != std::string::npos && value.find_first_of(" \t\n\r\v\f") == std::string::npos;
    if (looksLikeIdentifier) {
        const std::string folded = SearchTextNormalizer::normalize(value);
        for (const auto& identifier : known) {
            const std::string candidate = trimmed(identifier);
            if (!candidate.empty() && SearchTextNormalizer::normalize(candidate) == folded) add(candidate);
        }
        // A dotted name such as "draw.io" that is no identifier is still a name.
        if (!result.empty()) return result;
    }
    const auto queryKeys = matchKeys(appValue);
    if (queryKeys.empty()) return result;
    for (const auto& identifier : known) {
        const std::string candidate = trimmed(identifier);
        if (candidate.empty()) continue;
        const auto keys = matchKeys(candidate);
        const bool matched = std::any_of(keys.begin(), keys.end(), [&](const std::string& key) {
            return std::any_of(queryKeys.begin(), queryKeys.end(),
                               [&](const std::string& query) { return key.find(query) != std::string::npos; });
        });
        if (matched) add(candidate);
    }
    return result;
}

}  // namespace quorvane
