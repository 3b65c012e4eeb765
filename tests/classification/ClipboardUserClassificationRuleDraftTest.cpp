#include <gtest/gtest.h>

#include "base/Uuid.h"
#include "classification/ClipboardUserClassificationRuleDraft.h"

namespace quorvane {
namespace {

using Kind = ClipboardUserClassificationConditionKind;
using Error = ClipboardUserClassificationRuleValidationError;

std::optional<Error::Kind> failure(const ClipboardUserClassificationRuleDraft& draft) {
    try {
        draft.validatedRule(std::nullopt);
        return std::nullopt;
    } catch (const Error& error) {
        return error.kind();
    }
}

TEST(ClipboardUserClassificationRuleDraftTest, FirstFailingCheckWins) {
    EXPECT_EQ(failure({" ", Kind::regularExpression, "\n", "\t", true}), Error::Kind::missingName);
    EXPECT_EQ(failure({"n", Kind::containsText, "  ", "", true}), Error::Kind::missingConditionValue);
    EXPECT_EQ(failure({"n", Kind::containsText, "v", " ", true}), Error::Kind::missingResultClassification);
    EXPECT_EQ(failure({"n", Kind::regularExpression, "(", "r", true}), Error::Kind::invalidRegularExpression);
    EXPECT_EQ(failure({"n", Kind::matchedSystemClassification, "JSON", "r", true}),
              Error::Kind::invalidSystemClassification);
    EXPECT_EQ(failure({"n", Kind::matchedSystemClassification, " json ", "r", true}), std::nullopt);
    EXPECT_EQ(failure({"n", Kind::regularExpression, "^a(b|c)+$", "r", true}), std::nullopt);
    EXPECT_STREQ(Error(Error::Kind::missingName).what(), "Rule name is required.");
    EXPECT_STREQ(Error(Error::Kind::invalidRegularExpression).what(), "Enter a valid regular expression.");
}

TEST(ClipboardUserClassificationRuleDraftTest, ValidRuleCarriesTrimmedTextsAndAnId) {
    const ClipboardUserClassificationRuleDraft draft{" Work ", Kind::domain, " corp.example\n",
                                                     " Work links ", false};
    const auto fresh = draft.validatedRule(std::nullopt);
    EXPECT_TRUE(isUuidString(fresh.id));
    EXPECT_NE(draft.validatedRule(std::nullopt).id, fresh.id);
    EXPECT_EQ(fresh.name, "Work");
    EXPECT_EQ(fresh.conditionValue, "corp.example");
    EXPECT_EQ(fresh.resultClassification, "Work links");
    EXPECT_FALSE(fresh.isEnabled);
    EXPECT_EQ(draft.validatedRule(std::string("KEEP")).id, "KEEP");
}

}  // namespace
}  // namespace quorvane
