#include "settings/model/ClassificationSettingsViewModel.h"

#include <algorithm>
#include <cmath>

#include "classification/ClipboardClassificationSettings.h"
#include "platform/UserDefaults.h"

namespace quorvane {

ClassificationSettingsViewModel::ClassificationSettingsViewModel(
    UserDefaults& defaults, std::unique_ptr<ClipboardClassificationDetecting> classifier)
    : defaults_(defaults),
      classifier_(std::move(classifier)),
      enabledMainTypes_(ClipboardClassificationSettings::enabledMainContentTypes(defaults)),
      enabledSystem_(ClipboardClassificationSettings::enabledSystemClassifications(defaults)),
      userRules_(ClipboardClassificationSettings::userRules(defaults)) {}

std::vector<ClassificationMainContentTypeItem> ClassificationSettingsViewModel::mainContentTypeItems() const {
    std::vector<ClassificationMainContentTypeItem> items;
    for (const auto& definition : ClipboardMainContentTypeDefinition::all()) {
        items.push_back({definition, enabledMainTypes_.contains(definition.id)});
    }
    return items;
}

std::vector<std::pair<ClipboardSystemClassificationGroup, std::vector<ClassificationSystemItem>>>
ClassificationSettingsViewModel::systemClassificationGroups() const {
    std::vector<std::pair<ClipboardSystemClassificationGroup, std::vector<ClassificationSystemItem>>> groups;
    for (const auto group : kAllSystemClassificationGroups) {
        std::vector<ClassificationSystemItem> items;
        for (const auto& definition : ClipboardSystemClassificationDefinition::all()) {
            if (definition.group == group)
                items.push_back({definition, enabledSystem_.contains(definition.id)});
        }
        if (!items.empty()) groups.emplace_back(group, std::move(items));
    }
    return groups;
}

bool ClassificationSettingsViewModel::setMainContentType(ClipboardMainContentType type, bool isEnabled) {
    auto enabled = ClipboardClassificationSettings::enabledMainContentTypes(defaults_);
    if (isEnabled) {
        enabled.insert(type);
    } else {
        enabled.erase(type);
    }
    ClipboardClassificationSettings::setEnabledMainContentTypes(enabled, defaults_);
    enabledMainTypes_ = std::move(enabled);
    return enabledMainTypes_.contains(type);
}

bool ClassificationSettingsViewModel::setSystemClassification(ClipboardSystemClassification classification,
                                                              bool isEnabled) {
    auto enabled = ClipboardClassificationSettings::enabledSystemClassifications(defaults_);
    if (isEnabled) {
        enabled.insert(classification);
    } else {
        enabled.erase(classification);
    }
    ClipboardClassificationSettings::setEnabledSystemClassifications(enabled, defaults_);
    enabledSystem_ = std::move(enabled);
    return enabledSystem_.contains(classification);
}

void ClassificationSettingsViewModel::saveRules(std::vector<ClipboardUserClassificationRule> rules) {
    ClipboardClassificationSettings::setUserRules(rules, defaults_);
    // The writer drops blank rules; every rule here passed validation, so this is the list just stored.
    userRules_ = ClipboardClassificationSettings::userRules(defaults_);
}

void ClassificationSettingsViewModel::addRule(const ClipboardUserClassificationRuleDraft& draft) {
    auto rule = draft.validatedRule(std::nullopt);
    auto rules = userRules_;
    rules.push_back(std::move(rule));
    saveRules(std::move(rules));
}

void ClassificationSettingsViewModel::updateRule(const std::string& id,
                                                 const ClipboardUserClassificationRuleDraft& draft) {
    auto rule = draft.validatedRule(id);
    auto rules = userRules_;
    const auto found = std::find_if(rules.begin(), rules.end(), [&](const auto& r) { return r.id == id; });
    if (found != rules.end()) {
        *found = std::move(rule);
    } else {
        rules.push_back(std::move(rule));
    }
    saveRules(std::move(rules));
}

void ClassificationSettingsViewModel::deleteRule(const std::string& id) {
    auto rules = userRules_;
    std::erase_if(rules, [&](const auto& rule) { return rule.id == id; });
    saveRules(std::move(rules));
}

bool ClassificationSettingsViewModel::setRuleEnabled(const std::string& id, bool isEnabled) {
    auto rules = userRules_;
    const auto found = std::find_if(rules.begin(), rules.end(), [&](const auto& r) { return r.id == id; });
    if (found == rules.end()) return false;
    const auto position = static_cast<std::size_t>(found - rules.begin());
    found->isEnabled = isEnabled;
    saveRules(std::move(rules));
    return position < userRules_.size() && userRules_[position].isEnabled;
}

bool ClassificationSettingsViewModel::moveRule(const std::string& id, std::size_t index) {
    auto rules = userRules_;
    const auto found = std::find_if(rules.begin(), rules.end(), [&](const auto& r) { return r.id == id; });
    if (found == rules.end()) return false;
    auto rule = std::move(*found);
    rules.erase(found);
    const auto target = std::min(index, rules.size());
    rules.insert(rules.begin() + static_cast<std::ptrdiff_t>(target), std::move(rule));
    saveRules(std::move(rules));
    return true;
}

ClassificationRuleCommitOutcome ClassificationSettingsViewModel::commitRule(
    const std::optional<std::string>& id, const ClipboardUserClassificationRuleDraft& draft) {
    try {
        if (id) {
            updateRule(*id, draft);
        } else {
            addRule(draft);
        }
        return {true, {}};
    } catch (const ClipboardUserClassificationRuleValidationError& error) {
        return {false, error.what()};
    }
}

ClipboardUserClassificationRuleDraft ClassificationSettingsViewModel::editorDraft(
    const ClipboardUserClassificationRule* rule,
    const std::optional<ClipboardUserClassificationRuleDraft>& keptDraft) {
    if (keptDraft) return *keptDraft;
    ClipboardUserClassificationRuleDraft draft;
    if (rule) {
        draft.name = rule->name;
        draft.conditionKind = rule->conditionKind;
        draft.conditionValue = rule->conditionValue;
        draft.resultClassification = rule->resultClassification;
        draft.isEnabled = rule->isEnabled;
    }
    return draft;
}

namespace {

std::string joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) text += separator;
        text += parts[i];
    }
    return text;
}

}  // namespace

std::string ClassificationSettingsViewModel::detectionReport(const std::string& sample) {
    const auto result = classifier_->classify(sample, enabledSystem_, userRules_);
    std::vector<std::string> system;
    for (const auto& match : result.systemMatches) {
        const auto percent = static_cast<long long>(std::trunc(match.confidence * 100));
        system.push_back(std::string(displayName(match.classification)) + " (" + std::to_string(percent) +
                         "%)");
    }
    std::vector<std::string> rules;
    for (const auto& matched : result.matchedRules) {
        rules.push_back("- Rule: " + matched.ruleName + " -> Result: " + matched.resultClassification + " (" +
                        matched.conditionSummary + ")");
    }
    const auto systemPart = system.empty() ? std::string("None") : joined(system, ", ");
    const auto userPart =
        result.userClassifications.empty() ? std::string("None") : joined(result.userClassifications, ", ");
    const auto rulesPart = rules.empty() ? std::string("None") : joined(rules, "\n");
    return "Input Type: Text\nSystem Classifications: " + systemPart + "\nUser Classifications: " + userPart +
           "\nPrimary Classification: " + result.primaryClassification + "\nMatched Rules:\n" + rulesPart;
}

}  // namespace quorvane
