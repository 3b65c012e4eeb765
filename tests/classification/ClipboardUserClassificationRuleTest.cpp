#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "classification/ClipboardUserClassificationRule.h"

namespace quorvane {
namespace {

using Kind = ClipboardUserClassificationConditionKind;

ClipboardUserClassificationRule rule(Kind kind, std::string value) {
    return {"ID-1", "Rule", kind, std::move(value), "Work", true};
}

TEST(ClipboardUserClassificationRuleTest, ConditionSummaryQuotesTextConditionsOnly) {
    EXPECT_EQ(rule(Kind::regularExpression, "  a+b \n").conditionSummary(), "Regex: a+b");
    EXPECT_EQ(rule(Kind::domain, "example.com").conditionSummary(), "Domain matches example.com");
    EXPECT_EQ(rule(Kind::containsText, "x").conditionSummary(), "Contains \"x\"");
    EXPECT_EQ(rule(Kind::prefix, " ab").conditionSummary(), "Starts with \"ab\"");
    EXPECT_EQ(rule(Kind::suffix, "z").conditionSummary(), "Ends with \"z\"");
    EXPECT_EQ(rule(Kind::pathContains, "/api").conditionSummary(), "URL path contains \"/api\"");
    EXPECT_EQ(rule(Kind::jsonKeyExists, "id").conditionSummary(), "JSON key exists: id");
    EXPECT_EQ(rule(Kind::matchedSystemClassification, "json").conditionSummary(),
              "Matched system classification: JSON");
    EXPECT_EQ(rule(Kind::matchedSystemClassification, "Json").conditionSummary(),
              "Matched system classification: Json");
}

TEST(ClipboardUserClassificationRuleTest, ListRoundTripsThroughJson) {
    const std::vector<ClipboardUserClassificationRule> rules = {
        {"A", "Work \"links\"", Kind::domain, "corp.example", "Work", true},
        {"B", "\xE4\xB8\xAD", Kind::matchedSystemClassification, "sql", "Query", false}};
    const std::string encoded = ClipboardUserClassificationRule::encodeList(rules);
    EXPECT_EQ(ClipboardUserClassificationRule::decodeList(encoded), rules);
    const auto json = nlohmann::json::parse(encoded);
    EXPECT_EQ(json[1]["conditionKind"], "matchedSystemClassification");
    EXPECT_EQ(json[1]["isEnabled"], false);
    EXPECT_EQ(json[0].size(), 6u);
}

TEST(ClipboardUserClassificationRuleTest, OneMalformedRuleFailsTheWholeList) {
    const std::string good =
        R"({"id":"A","name":"n","conditionKind":"prefix","conditionValue":"v","resultClassification":"r",)"
        R"("isEnabled":true})";
    EXPECT_EQ(ClipboardUserClassificationRule::decodeList("[" + good + "]").size(), 1u);
    const std::vector<std::string> bad = {
        R"([{"id":"A","name":"n","conditionKind":"prefix","conditionValue":"v","resultClassification":"r"}])",
        R"([{"id":"A","name":"n","conditionKind":"startsWith","conditionValue":"v","resultClassification":"r",)"
        R"("isEnabled":true}])",
        R"([{"id":"A","name":"n","conditionKind":"prefix","conditionValue":"v","resultClassification":"r",)"
        R"("isEnabled":1}])",
        "[" + good + ", 3]",
        "{\"rules\": []}",
        "not json",
        std::string(100000, '[') + std::string(100000, ']'),
    };
    for (const auto& text : bad) {
        EXPECT_THROW(ClipboardUserClassificationRule::decodeList(text),
                     ClipboardUserClassificationRuleDecodingError)
            << text.substr(0, 80);
    }
}

}  // namespace
}  // namespace quorvane
