#include "searchindex/ClipboardSearchVocabulary.h"

#include <algorithm>

#include "classification/ClipboardClassificationSettings.h"
#include "classification/ClipboardMainContentType.h"
#include "classification/ClipboardSystemClassification.h"
#include "model/SearchTextNormalizer.h"
#include "searchindex/ClipboardAppIdentityResolver.h"
#include "searchindex/SearchStrings.h"

namespace quorvane {

std::optional<ClipboardContentType> ClipboardSearchVocabulary::mainContentTypeMatching(
    std::string_view word) {
    const auto type = quorvane::mainContentTypeMatching(word);
    if (!type) return std::nullopt;
    return *type == ClipboardMainContentType::image ? ClipboardContentType::image
                                                    : ClipboardContentType::text;
}

bool ClipboardSearchVocabulary::namesBuiltInClassification(std::string_view normalizedValue) {
    return std::any_of(
        kAllSystemClassifications.begin(), kAllSystemClassifications.end(), [&](auto classification) {
            return SearchTextNormalizer::normalize(displayName(classification)) == normalizedValue ||
                   SearchTextNormalizer::normalize(rawValue(classification)) == normalizedValue;
        });
}

bool ClipboardSearchVocabulary::namesEnabledUserClassification(std::string_view normalizedValue,
                                                               const UserDefaults& defaults) {
    const auto rules = ClipboardClassificationSettings::userRules(defaults);
    return std::any_of(rules.begin(), rules.end(), [&](const ClipboardUserClassificationRule& rule) {
        return rule.isEnabled &&
               SearchTextNormalizer::normalize(rule.resultClassification) == normalizedValue;
    });
}

std::vector<std::string> ClipboardSearchVocabulary::resolveByIdentifier(
    const std::string& appValue, const std::vector<std::string>& known) {
    const std::string value = search_strings::trimmed(appValue);
    if (value.find('.') != std::string::npos && !search_strings::containsWhitespace(value)) {
        std::vector<std::string> exact;
        for (auto& identifier : ClipboardAppIdentityResolver::uniqueBundleIdentifiers(known)) {
            if (search_strings::localizedCaseInsensitiveCompare(identifier, value) == 0) {
                exact.push_back(std::move(identifier));
            }
        }
        // A dotted name such as "draw.io" that is no identifier is still a name.
        if (!exact.empty()) return exact;
    }
    std::vector<std::string> result;
    for (auto& identifier : ClipboardAppIdentityResolver::uniqueBundleIdentifiers(known)) {
        // Without application names, an identifier stands for its own name.
        if (ClipboardAppIdentityResolver::matches(appValue, {identifier, identifier})) {
            result.push_back(std::move(identifier));
        }
    }
    return result;
}

}  // namespace quorvane
