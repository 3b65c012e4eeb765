#include "classification/ClipboardClassificationSettings.h"

#include <algorithm>
#include <optional>

#include "base/Logger.h"
#include "classification/ClassificationText.h"

namespace quorvane {
namespace {

constexpr std::string_view kLogCategory = "ClipboardClassificationSettings";

bool isKept(const ClipboardUserClassificationRule& rule) {
    return !trimmedWhitespaceAndNewlines(rule.name).empty() &&
           !trimmedWhitespaceAndNewlines(rule.resultClassification).empty();
}

std::vector<ClipboardUserClassificationRule> kept(std::vector<ClipboardUserClassificationRule> rules) {
    std::erase_if(rules, [](const auto& rule) { return !isKept(rule); });
    return rules;
}

// The stored rules, nothing when none are stored; throws the decoding error.
std::optional<std::vector<ClipboardUserClassificationRule>> storedRules(const UserDefaults& defaults) {
    const auto stored = defaults.object(ClipboardClassificationSettings::kUserRulesKey);
    if (!stored) return std::nullopt;
    const auto data = stored->dataValue();
    if (!data) throw ClipboardUserClassificationRuleDecodingError("the stored rule list is not data");
    return ClipboardUserClassificationRule::decodeList(
        std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
}

template <class Value>
// Raw values sorted as strings ("base64" before "url"), so the stored list does not depend on the order of
// the enumeration. An empty set is stored as an empty list, which reads as nothing enabled.
DefaultsValue rawValueList(const std::set<Value>& values) {
    std::vector<std::string> raw;
    for (const auto value : values) raw.emplace_back(rawValue(value));
    std::sort(raw.begin(), raw.end());
    DefaultsValue::Array array;
    for (auto& text : raw) array.emplace_back(std::move(text));
    return DefaultsValue(std::move(array));
}

// A stored list of raw values read as a set; everything when it is missing or not a list of strings.
template <class Value, std::size_t N>
std::set<Value> enabledSet(const UserDefaults& defaults, const char* key, const std::array<Value, N>& all,
                           std::optional<Value> (*fromRawValue)(std::string_view)) {
    const auto stored = defaults.stringArrayValue(key);
    if (!stored) return {all.begin(), all.end()};
    std::set<Value> enabled;
    for (const auto& raw : *stored) {
        if (const auto value = fromRawValue(raw)) enabled.insert(*value);
    }
    return enabled;
}

}  // namespace

std::set<ClipboardSystemClassification> ClipboardClassificationSettings::enabledSystemClassifications(
    const UserDefaults& defaults) {
    return enabledSet(defaults, kEnabledSystemClassificationsKey, kAllSystemClassifications,
                      systemClassificationFromRawValue);
}

std::set<ClipboardMainContentType> ClipboardClassificationSettings::enabledMainContentTypes(
    const UserDefaults& defaults) {
    return enabledSet(defaults, kEnabledMainContentTypesKey, kAllMainContentTypes,
                      mainContentTypeFromRawValue);
}

std::vector<ClipboardUserClassificationRule> ClipboardClassificationSettings::userRules(
    const UserDefaults& defaults) {
    try {
        auto rules = storedRules(defaults);
        return rules ? kept(std::move(*rules)) : std::vector<ClipboardUserClassificationRule>{};
    } catch (const ClipboardUserClassificationRuleDecodingError& error) {
        Logger::error(std::string("Failed to decode classification rules: ") + error.what(), kLogCategory);
        return {};
    }
}

void ClipboardClassificationSettings::setUserRules(const std::vector<ClipboardUserClassificationRule>& rules,
                                                   UserDefaults& defaults) {
    // Never replace rules that could not be read without keeping a copy: the user may still recover them.
    try {
        storedRules(defaults);
    } catch (const ClipboardUserClassificationRuleDecodingError&) {
        // An earlier backup is never overwritten: a later one takes the next free number.
        std::string backupKey = kUserRulesBackupKey;
        for (int number = 2; defaults.contains(backupKey); ++number) {
            backupKey = std::string(kUserRulesBackupKey) + "." + std::to_string(number);
        }
        defaults.set(backupKey, *defaults.object(kUserRulesKey));
        Logger::warning("Kept the unreadable classification rules under " + backupKey, kLogCategory);
    }
    const std::string encoded = ClipboardUserClassificationRule::encodeList(kept(rules));
    defaults.set(kUserRulesKey, Data(encoded.begin(), encoded.end()));
}

void ClipboardClassificationSettings::setEnabledSystemClassifications(
    const std::set<ClipboardSystemClassification>& enabled, UserDefaults& defaults) {
    defaults.set(kEnabledSystemClassificationsKey, rawValueList(enabled));
}

void ClipboardClassificationSettings::setEnabledMainContentTypes(
    const std::set<ClipboardMainContentType>& enabled, UserDefaults& defaults) {
    defaults.set(kEnabledMainContentTypesKey, rawValueList(enabled));
}

}  // namespace quorvane
