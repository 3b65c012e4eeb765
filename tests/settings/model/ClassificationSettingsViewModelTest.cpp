#include <gtest/gtest.h>

#include <memory>

#include "classification/ClipboardClassificationSettings.h"
#include "classification/LocalClipboardClassificationService.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "settings/model/ClassificationRuleEditorModel.h"
#include "settings/model/ClassificationSettingsViewModel.h"

namespace quorvane {
namespace {

using Kind = ClipboardUserClassificationConditionKind;

ClipboardUserClassificationRuleDraft draft(std::string name, Kind kind, std::string value, std::string result,
                                           bool enabled = true) {
    return {std::move(name), kind, std::move(value), std::move(result), enabled};
}

class ClassificationSettingsViewModelTest : public ::testing::Test {
protected:
    std::unique_ptr<ClassificationSettingsViewModel> makeViewModel() {
        return std::make_unique<ClassificationSettingsViewModel>(
            defaults_, std::make_unique<LocalClipboardClassificationService>());
    }
    std::vector<ClipboardUserClassificationRule> storedRules() const {
        return ClipboardClassificationSettings::userRules(defaults_);
    }

    InMemoryUserDefaults defaults_;
};

TEST_F(ClassificationSettingsViewModelTest, EnabledListsAreStoredSortedAndAnEmptySetStaysEmpty) {
    auto model = makeViewModel();
    EXPECT_EQ(model->enabledSystemClassifications().size(), 15u);

    EXPECT_FALSE(model->setMainContentType(ClipboardMainContentType::text, false));
    EXPECT_FALSE(model->setMainContentType(ClipboardMainContentType::image, false));
    EXPECT_EQ(defaults_.stringArrayValue(ClipboardClassificationSettings::kEnabledMainContentTypesKey),
              std::vector<std::string>{});
    // A fresh window reads the empty list as nothing enabled, not as the default.
    EXPECT_TRUE(makeViewModel()->enabledMainContentTypes().empty());
    EXPECT_TRUE(model->setMainContentType(ClipboardMainContentType::image, true));

    for (const auto classification : kAllSystemClassifications)
        model->setSystemClassification(classification, false);
    model->setSystemClassification(ClipboardSystemClassification::url, true);
    EXPECT_TRUE(model->setSystemClassification(ClipboardSystemClassification::base64, true));
    EXPECT_EQ(defaults_.stringArrayValue(ClipboardClassificationSettings::kEnabledSystemClassificationsKey),
              (std::vector<std::string>{"base64", "url"}));

    // A change made meanwhile by other code is kept: each write starts from the stored set.
    ClipboardClassificationSettings::setEnabledSystemClassifications(
        {ClipboardSystemClassification::url, ClipboardSystemClassification::json}, defaults_);
    EXPECT_FALSE(model->setSystemClassification(ClipboardSystemClassification::url, false));
    EXPECT_EQ(model->enabledSystemClassifications(),
              std::set<ClipboardSystemClassification>{ClipboardSystemClassification::json});
}

TEST_F(ClassificationSettingsViewModelTest, GroupsFollowTheTableAndShowMembership) {
    auto model = makeViewModel();
    model->setSystemClassification(ClipboardSystemClassification::email, false);
    const auto groups = model->systemClassificationGroups();
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].first, ClipboardSystemClassificationGroup::general);
    std::vector<std::string> general;
    for (const auto& item : groups[0].second) general.emplace_back(item.definition.displayName);
    EXPECT_EQ(general, (std::vector<std::string>{"URL", "Email", "IP", "Markdown", "File Path"}));
    EXPECT_FALSE(groups[0].second[1].isEnabled);
    EXPECT_TRUE(groups[0].second[0].isEnabled);
    EXPECT_EQ(groups[1].second.size(), 10u);
    EXPECT_EQ(groups[1].second.front().definition.displayName, "GitHub PR");
    EXPECT_EQ(groups[1].second.back().definition.displayName, "Curl");
}

TEST_F(ClassificationSettingsViewModelTest, RuleLifecyclePersistsAfterEveryStep) {
    auto model = makeViewModel();
    model->addRule(draft(" Work PR ", Kind::pathContains, "/pull/", "Work"));
    model->addRule(draft("Invoices", Kind::regularExpression, "INV-[0-9]{4}", "Invoice"));
    model->addRule(draft("Docs", Kind::prefix, "https://docs.", "Docs"));
    ASSERT_EQ(model->userRules().size(), 3u);
    EXPECT_EQ(storedRules(), model->userRules());
    EXPECT_EQ(model->userRules()[0].name, "Work PR");  // trimmed by validation
    const auto firstId = model->userRules()[0].id;
    const auto secondId = model->userRules()[1].id;
    const auto thirdId = model->userRules()[2].id;
    EXPECT_NE(firstId, secondId);

    // Edited: same id, same place.
    model->updateRule(secondId, draft("Invoices", Kind::containsText, "invoice", "Billing"));
    EXPECT_EQ(storedRules()[1].id, secondId);
    EXPECT_EQ(storedRules()[1].resultClassification, "Billing");
    EXPECT_EQ(storedRules()[1].conditionKind, Kind::containsText);

    // Reordered to the front, then past the end (clamped to last).
    EXPECT_TRUE(model->moveRule(thirdId, 0));
    EXPECT_EQ(storedRules()[0].id, thirdId);
    EXPECT_TRUE(model->moveRule(thirdId, 99));
    EXPECT_EQ(storedRules()[2].id, thirdId);
    EXPECT_FALSE(model->moveRule("missing", 0));

    // Disabled in place.
    EXPECT_FALSE(model->setRuleEnabled(firstId, false));
    EXPECT_FALSE(storedRules()[0].isEnabled);
    EXPECT_EQ(storedRules()[0].id, firstId);

    // Deleted.
    model->deleteRule(secondId);
    ASSERT_EQ(storedRules().size(), 2u);
    EXPECT_EQ(storedRules()[0].id, firstId);
    EXPECT_EQ(storedRules()[1].id, thirdId);

    // A new window reads exactly what is stored.
    EXPECT_EQ(makeViewModel()->userRules(), storedRules());
}

TEST_F(ClassificationSettingsViewModelTest, FailedSaveChangesNothingAndKeepsTheDraftForTheEditor) {
    auto model = makeViewModel();
    model->addRule(draft("Keep", Kind::containsText, "x", "X"));
    const auto before = storedRules();

    const auto typed = draft("   ", Kind::suffix, ".sql", "Query");
    const auto outcome = model->commitRule(std::nullopt, typed);
    EXPECT_FALSE(outcome.saved);
    EXPECT_EQ(outcome.errorMessage, "Rule name is required.");
    EXPECT_EQ(storedRules(), before);
    EXPECT_EQ(model->userRules(), before);
    // The editor reopens with what the user typed, not with the rule's stored fields.
    EXPECT_EQ(ClassificationSettingsViewModel::editorDraft(&before[0], typed), typed);

    const auto badRegex = model->commitRule(before[0].id, draft("Keep", Kind::regularExpression, "(", "X"));
    EXPECT_EQ(badRegex.errorMessage, "Enter a valid regular expression.");
    EXPECT_EQ(storedRules(), before);

    // Fixing the draft saves it under the rule's id.
    EXPECT_TRUE(model->commitRule(before[0].id, draft("Keep", Kind::regularExpression, "x+", "X")).saved);
    EXPECT_EQ(storedRules()[0].id, before[0].id);
    EXPECT_EQ(storedRules()[0].conditionKind, Kind::regularExpression);
}

TEST_F(ClassificationSettingsViewModelTest, EnablingAMissingRuleWritesNothingAndDeleteRemovesEveryCopy) {
    ClipboardUserClassificationRule a{"A", "One", Kind::containsText, "x", "X", true};
    ClipboardUserClassificationRule b{"B", "Two", Kind::containsText, "y", "Y", true};
    ClipboardClassificationSettings::setUserRules({a, b, a}, defaults_);
    auto model = makeViewModel();
    defaults_.remove(ClipboardClassificationSettings::kUserRulesKey);
    EXPECT_FALSE(model->setRuleEnabled("missing", true));
    EXPECT_FALSE(defaults_.contains(ClipboardClassificationSettings::kUserRulesKey));

    model->deleteRule("A");
    EXPECT_EQ(storedRules(), std::vector<ClipboardUserClassificationRule>{b});
}

TEST_F(ClassificationSettingsViewModelTest, ReportListsMatchesRulesAndNoneOtherwise) {
    auto model = makeViewModel();
    const auto empty = model->detectionReport("");
    EXPECT_EQ(empty,
              "Input Type: Text\nSystem Classifications: None\nUser Classifications: None\n"
              "Primary Classification: Text\nMatched Rules:\nNone");

    model->addRule(draft("Repo", Kind::domain, "github.com", "Code"));
    model->addRule(draft("Off", Kind::containsText, "github", "Never", false));
    const auto report = model->detectionReport("https://github.com/acme/tool/pull/12");
    EXPECT_NE(report.find("System Classifications: URL (100%), GitHub PR (100%)"), std::string::npos)
        << report;
    EXPECT_NE(report.find("User Classifications: Code\n"), std::string::npos) << report;
    EXPECT_NE(report.find("Primary Classification: Code\n"), std::string::npos);
    EXPECT_NE(report.find("Matched Rules:\n- Rule: Repo -> Result: Code (Domain matches github.com)"),
              std::string::npos)
        << report;
    EXPECT_EQ(report.find("Never"), std::string::npos);

    EXPECT_NE(model->detectionReport("someone@example.com").find("System Classifications: Email (80%)\n"),
              std::string::npos);
    // A pattern that runs past its work limit counts as not matching; the report still comes back.
    model->addRule(draft("Runaway", Kind::regularExpression, "(a+)+$", "Slow"));
    const auto runaway = model->detectionReport(std::string(40, 'a') + "!");
    EXPECT_EQ(runaway.find("Runaway"), std::string::npos) << runaway;
    EXPECT_NE(runaway.find("Matched Rules:\nNone"), std::string::npos) << runaway;
    model->setSystemClassification(ClipboardSystemClassification::json, false);
    EXPECT_EQ(model->detectionReport("{\"a\": 1}").find("JSON"), std::string::npos);
}

TEST(ClassificationRuleEditorModelTest, DraftsRoundTripThroughTheControls) {
    ClipboardUserClassificationRuleDraft lines{"L", Kind::matchedSystemClassification, "jsonLines", "R",
                                               false};
    auto controls = ClassificationRuleEditorModel::controlsFor(lines);
    EXPECT_EQ(controls.selectedSystemClassificationIndex,
              static_cast<std::size_t>(ClipboardSystemClassification::jsonLines));
    EXPECT_FALSE(ClassificationRuleEditorModel::showsValueRow(
        ClassificationRuleEditorModel::kindOf(controls.selectedKindRawValue)));
    EXPECT_EQ(ClassificationRuleEditorModel::draftFrom(controls), lines);

    // The hidden value field does not leak into a classification rule.
    controls.conditionValue = "typed earlier";
    controls.selectedSystemClassificationIndex = 0;
    EXPECT_EQ(ClassificationRuleEditorModel::draftFrom(controls).conditionValue, "url");

    // An unknown stored classification selects the first item.
    lines.conditionValue = "nope";
    EXPECT_EQ(ClassificationRuleEditorModel::controlsFor(lines).selectedSystemClassificationIndex, 0u);

    // Switching to another kind keeps the typed value; no selection reads as "contains text".
    controls.selectedKindRawValue = "regularExpression";
    EXPECT_EQ(ClassificationRuleEditorModel::draftFrom(controls).conditionValue, "typed earlier");
    controls.selectedKindRawValue.reset();
    EXPECT_EQ(ClassificationRuleEditorModel::draftFrom(controls).conditionKind, Kind::containsText);
    controls.selectedKindRawValue = "bogus";
    EXPECT_EQ(ClassificationRuleEditorModel::draftFrom(controls).conditionKind, Kind::containsText);

    EXPECT_EQ(ClassificationRuleEditorModel::info(Kind::regularExpression).placeholder, "INV-[0-9]{4}");
    // Texts are kept untrimmed: validation trims, the editor does not.
    ClipboardUserClassificationRuleDraft spaced{" a ", Kind::prefix, " b ", " c ", true};
    EXPECT_EQ(ClassificationRuleEditorModel::draftFrom(ClassificationRuleEditorModel::controlsFor(spaced)),
              spaced);
}

}  // namespace
}  // namespace quorvane
