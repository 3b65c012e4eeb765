#include "search/ClipboardSearchVocabulary.h"

#include <algorithm>
#include <unordered_set>

#include "classification/ClipboardClassificationSettings.h"
#include "classification/ClipboardMainContentType.h"
#include "classification/ClipboardSystemClassification.h"
#include "core/SearchTextNormalizer.h"
#include "search/SearchStrings.h"

namespace quorvane {
namespace {

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
    const auto type = quorvane::mainContentTypeMatching(word);
    if (!type) return std::nullopt;
    return *type == ClipboardMainContentType::image ? ClipboardContentType::image : ClipboardContentType::text;
}

bool ClipboardSearchVocabulary::namesBuiltInClassification(std::string_view normalizedValue) {
    return std::any_of(kAllSystemClassifications.begin(), kAllSystemClassifications.end(), [&](auto classification) {
        return SearchTextNormalizer::normalize(displayName(classification)) == normalizedValue ||
               SearchTextNormalizer::normalize(rawValue(classification)) == normalizedValue;
    });
}

bool ClipboardSearchVocabulary::namesEnabledUserClassification(std::string_view normalizedValue,
                                                               const UserDefaults& defaults) {
    const auto rules = ClipboardClassificationSettings::userRules(defaults);
    return std::any_of(rules.begin(), rules.end(), [&](const ClipboardUserClassificationRule& rule) {
        return rule.isEnabled && SearchTextNormalizer::normalize(rule.resultClassification) == normalizedValue;
    });
}

std::vector<std::string> ClipboardSearchVocabulary::resolveByIdentifier(const std::string& appValue,
                                                                        const std::vector<std::string>& known) {
    std::vector<std::string> result;
    std::unordered_set<std::string> seen;
    const auto add = [&](const std::string& identifier) {
        if (seen.insert(SearchTextNormalizer::normalize(identifier)).second) result.push_back(identifier);
    };
    const std::string value = search_strings::trimmed(appValue);
    const bool looksLikeIdentifier =
        value.find('.') != std::string::npos && !search_strings::containsWhitespace(value);
    if (looksLikeIdentifier) {
        const std::string folded = SearchTextNormalizer::normalize(value);
        for (const auto& identifier : known) {
            const std::string candidate = search_strings::trimmed(identifier);
            if (!candidate.empty() && SearchTextNormalizer::normalize(candidate) == folded) add(candidate);
        }
        // A dotted name such as "draw.io" that is no identifier is still a name.
        if (!result.empty()) return result;
    }
    const auto queryKeys = matchKeys(appValue);
    if (queryKeys.empty()) return result;
    for (const auto& identifier : known) {
        const std::string candidate = search_strings::trimmed(identifier);
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
