#include <gtest/gtest.h>

#include "classification/ClipboardClassificationSettings.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

using Settings = ClipboardClassificationSettings;
using Kind = ClipboardUserClassificationConditionKind;

Data bytes(std::string_view text) {
    return Data(text.begin(), text.end());
}

const char* kRuleWithoutIsEnabled =
    R"([{"id":"A","name":"n","conditionKind":"prefix","conditionValue":"v","resultClassification":"r"}])";

TEST(ClipboardClassificationSettingsTest, NothingStoredEnablesEverythingWithoutRules) {
    InMemoryUserDefaults defaults;
    EXPECT_EQ(Settings::enabledSystemClassifications(defaults).size(), 15u);
    EXPECT_EQ(Settings::enabledMainContentTypes(defaults).size(), 2u);
    EXPECT_TRUE(Settings::userRules(defaults).empty());
}

TEST(ClipboardClassificationSettingsTest, EnabledListsAreReadAsSets) {
    InMemoryUserDefaults defaults;
    defaults.set(Settings::kEnabledSystemClassificationsKey,
                 DefaultsValue::Array{"json", "sql", "nonsense", "json"});
    EXPECT_EQ(Settings::enabledSystemClassifications(defaults),
              (std::set{ClipboardSystemClassification::json, ClipboardSystemClassification::sql}));
    defaults.set(Settings::kEnabledSystemClassificationsKey, DefaultsValue::Array{});
    EXPECT_TRUE(Settings::enabledSystemClassifications(defaults).empty());
    defaults.set(Settings::kEnabledSystemClassificationsKey, "json");
    EXPECT_EQ(Settings::enabledSystemClassifications(defaults).size(), 15u);
    defaults.set(Settings::kEnabledMainContentTypesKey, DefaultsValue::Array{"image", "Text"});
    EXPECT_EQ(Settings::enabledMainContentTypes(defaults), std::set{ClipboardMainContentType::image});
    defaults.set(Settings::kEnabledMainContentTypesKey, DefaultsValue::Array{"image", 3});
    EXPECT_EQ(Settings::enabledMainContentTypes(defaults).size(), 2u);
    Settings::setEnabledSystemClassifications({ClipboardSystemClassification::url}, defaults);
    EXPECT_EQ(defaults.stringArrayValue(Settings::kEnabledSystemClassificationsKey),
              std::vector<std::string>{"url"});
}

TEST(ClipboardClassificationSettingsTest, RulesWithBlankNameOrResultAreLeftOut) {
    InMemoryUserDefaults defaults;
    Settings::setUserRules({{"A", " Work ", Kind::prefix, "x", "Work", true},
                            {"B", "   ", Kind::prefix, "x", "Work", true},
                            {"C", "Blank", Kind::prefix, "x", " \n", true}},
                           defaults);
    const auto rules = Settings::userRules(defaults);
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0].name, " Work ");
    const auto stored = ClipboardUserClassificationRule::decodeList([&] {
        const auto data = *defaults.dataValue(Settings::kUserRulesKey);
        return std::string(data.begin(), data.end());
    }());
    EXPECT_EQ(stored.size(), 1u);
}

TEST(ClipboardClassificationSettingsTest, UndecodableRulesGiveNoneAndAreNotRewrittenByReading) {
    InMemoryUserDefaults defaults;
    defaults.set(Settings::kUserRulesKey, bytes(kRuleWithoutIsEnabled));
    testing::LogCapture log;
    EXPECT_TRUE(Settings::userRules(defaults).empty());
    EXPECT_TRUE(
        log.contains("ERROR", "[ClipboardClassificationSettings] Failed to decode classification rules: "));
    EXPECT_EQ(defaults.dataValue(Settings::kUserRulesKey), bytes(kRuleWithoutIsEnabled));
    defaults.set(Settings::kUserRulesKey, "not data");
    EXPECT_TRUE(Settings::userRules(defaults).empty());
}

TEST(ClipboardClassificationSettingsTest, WritingOverUndecodableRulesKeepsABackup) {
    InMemoryUserDefaults defaults;
    defaults.set(Settings::kUserRulesKey, bytes(kRuleWithoutIsEnabled));
    testing::LogCapture log;
    Settings::setUserRules({{"A", "Work", Kind::prefix, "x", "Work", true}}, defaults);
    EXPECT_EQ(defaults.dataValue(Settings::kUserRulesBackupKey), bytes(kRuleWithoutIsEnabled));
    EXPECT_TRUE(log.contains("WARNING", Settings::kUserRulesBackupKey));
    EXPECT_EQ(Settings::userRules(defaults).size(), 1u);
    // A readable list is replaced without touching the backup.
    Settings::setUserRules({}, defaults);
    EXPECT_EQ(defaults.dataValue(Settings::kUserRulesBackupKey), bytes(kRuleWithoutIsEnabled));
    EXPECT_TRUE(Settings::userRules(defaults).empty());

    // Unreadable again later: the first backup stays, the new one is numbered.
    defaults.set(Settings::kUserRulesKey, bytes("[{\"second\": 1}]"));
    Settings::setUserRules({}, defaults);
    defaults.set(Settings::kUserRulesKey, bytes("[{\"third\""));
    Settings::setUserRules({}, defaults);
    const std::string backup = Settings::kUserRulesBackupKey;
    EXPECT_EQ(defaults.dataValue(backup), bytes(kRuleWithoutIsEnabled));
    EXPECT_EQ(defaults.dataValue(backup + ".2"), bytes("[{\"second\": 1}]"));
    EXPECT_EQ(defaults.dataValue(backup + ".3"), bytes("[{\"third\""));
    EXPECT_TRUE(log.contains("WARNING", backup + ".3"));
}

}  // namespace
}  // namespace quorvane
