#include "classification/ClipboardClassificationSettings.h"

#include <optional>

#include "classification/ClassificationText.h"
#include "core/Logger.h"

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
DefaultsValue rawValueList(const std::set<Value>& values) {
    DefaultsValue::Array array;
    for (const auto value : values) array.emplace_back(std::string(rawValue(value)));
    return DefaultsValue(std::move(array));
}

}  // namespace

std::set<ClipboardSystemClassification> ClipboardClassificationSettings::enabledSystemClassifications(
    const UserDefaults& defaults) {
    const auto stored = defaults.stringArrayValue(kEnabledSystemClassificationsKey);
    if (!stored) return {kAllSystemClassifications.begin(), kAllSystemClassifications.end()};
    std::set<ClipboardSystemClassification> enabled;
    for (const auto& raw : *stored) {
        if (const auto classification = systemClassificationFromRawValue(raw)) enabled.insert(*classification);
    }
    return enabled;
}

std::set<ClipboardMainContentType> ClipboardClassificationSettings::enabledMainContentTypes(
    const UserDefaults& defaults) {
    const auto stored = defaults.stringArrayValue(kEnabledMainContentTypesKey);
    if (!stored) return {kAllMainContentTypes.begin(), kAllMainContentTypes.end()};
    std::set<ClipboardMainContentType> enabled;
    for (const auto& raw : *stored) {
        if (const auto type = mainContentTypeFromRawValue(raw)) enabled.insert(*type);
    }
    return enabled;
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
        defaults.set(kUserRulesBackupKey, *defaults.object(kUserRulesKey));
        Logger::warning(std::string("Kept the unreadable classification rules under ") + kUserRulesBackupKey,
                        kLogCategory);
    }
    const std::string encoded = ClipboardUserClassificationRule::encodeList(kept(rules));
    defaults.set(kUserRulesKey, Data(encoded.begin(), encoded.end()));
}

void ClipboardClassificationSettings::setEnabledSystemClassifications(
    const std::set<ClipboardSystemClassification>& enabled, UserDefaults& defaults) {
    defaults.set(kEnabledSystemClassificationsKey, rawValueList(enabled));
}

void ClipboardClassificationSettings::setEnabledMainContentTypes(const std::set<ClipboardMainContentType>& enabled,
                                                                 UserDefaults& defaults) {
    defaults.set(kEnabledMainContentTypesKey, rawValueList(enabled));
}

}  // namespace quorvane
