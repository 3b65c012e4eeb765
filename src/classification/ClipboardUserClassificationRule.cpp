#include "classification/ClipboardUserClassificationRule.h"

#include <fmt/format.h>

#include <nlohmann/json.hpp>

#include "classification/ClassificationText.h"
#include "classification/ClipboardSystemClassification.h"
#include "classification/JsonReader.h"

namespace quorvane {
namespace {

using Kind = ClipboardUserClassificationConditionKind;

std::string_view leadingText(Kind kind) {
    switch (kind) {
        case Kind::containsText:
            return "Contains ";
        case Kind::prefix:
            return "Starts with ";
        case Kind::suffix:
            return "Ends with ";
        case Kind::regularExpression:
            return "Regex: ";
        case Kind::domain:
            return "Domain matches ";
        case Kind::pathContains:
            return "URL path contains ";
        case Kind::jsonKeyExists:
            return "JSON key exists: ";
        case Kind::matchedSystemClassification:
            return "Matched system classification: ";
    }
    return "";
}

bool isQuoted(Kind kind) {
    return kind == Kind::containsText || kind == Kind::prefix || kind == Kind::suffix ||
           kind == Kind::pathContains;
}

const nlohmann::json& requiredMember(const nlohmann::json& object, const char* key,
                                     nlohmann::json::value_t type, std::size_t index) {
    const auto found = object.find(key);
    if (found == object.end()) {
        throw ClipboardUserClassificationRuleDecodingError(
            fmt::format("rule {} has no key \"{}\"", index, key));
    }
    if (found->type() != type) {
        throw ClipboardUserClassificationRuleDecodingError(
            fmt::format("rule {} has a value of the wrong type under \"{}\"", index, key));
    }
    return *found;
}

}  // namespace

std::string ClipboardUserClassificationRule::conditionSummary() const {
    const std::string_view value = trimmedWhitespaceAndNewlines(conditionValue);
    std::string summary(leadingText(conditionKind));
    if (conditionKind == Kind::matchedSystemClassification) {
        const auto classification = systemClassificationFromRawValue(value);
        summary += classification ? displayName(*classification) : value;
    } else if (isQuoted(conditionKind)) {
        summary += '"';
        summary += value;
        summary += '"';
    } else {
        summary += value;
    }
    return summary;
}

std::string ClipboardUserClassificationRule::encodeList(
    const std::vector<ClipboardUserClassificationRule>& rules) {
    nlohmann::json array = nlohmann::json::array();
    for (const auto& rule : rules) {
        array.push_back({{"id", rule.id},
                         {"name", rule.name},
                         {"conditionKind", std::string(rawValue(rule.conditionKind))},
                         {"conditionValue", rule.conditionValue},
                         {"resultClassification", rule.resultClassification},
                         {"isEnabled", rule.isEnabled}});
    }
    // Invalid UTF-8 in a text is replaced rather than failing the whole list.
    return array.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::vector<ClipboardUserClassificationRule> ClipboardUserClassificationRule::decodeList(
    std::string_view json) {
    // The settings file can be edited by hand: refuse pathological nesting before building a tree of it.
    if (const auto error = JsonReader::validate(json, JsonReader::TopLevel::anyValue)) {
        throw ClipboardUserClassificationRuleDecodingError(error->description());
    }
    nlohmann::json parsed;
    try {
        parsed = nlohmann::json::parse(json);
    } catch (const nlohmann::json::exception& error) {
        throw ClipboardUserClassificationRuleDecodingError(error.what());
    }
    if (!parsed.is_array())
        throw ClipboardUserClassificationRuleDecodingError("the rule list is not an array");
    using Type = nlohmann::json::value_t;
    std::vector<ClipboardUserClassificationRule> rules;
    for (std::size_t index = 0; index < parsed.size(); ++index) {
        const auto& object = parsed[index];
        if (!object.is_object()) {
            throw ClipboardUserClassificationRuleDecodingError(
                fmt::format("rule {} is not an object", index));
        }
        ClipboardUserClassificationRule rule;
        rule.id = requiredMember(object, "id", Type::string, index).get<std::string>();
        rule.name = requiredMember(object, "name", Type::string, index).get<std::string>();
        const auto kindText = requiredMember(object, "conditionKind", Type::string, index).get<std::string>();
        const auto kind = conditionKindFromRawValue(kindText);
        if (!kind) {
            throw ClipboardUserClassificationRuleDecodingError(
                fmt::format("rule {} has an unknown condition kind", index));
        }
        rule.conditionKind = *kind;
        rule.conditionValue =
            requiredMember(object, "conditionValue", Type::string, index).get<std::string>();
        rule.resultClassification =
            requiredMember(object, "resultClassification", Type::string, index).get<std::string>();
        rule.isEnabled = requiredMember(object, "isEnabled", Type::boolean, index).get<bool>();
        rules.push_back(std::move(rule));
    }
    return rules;
}

}  // namespace quorvane
