#include <gtest/gtest.h>

#include "classification/ClipboardSystemClassification.h"

namespace quorvane {
namespace {

using C = ClipboardSystemClassification;

TEST(ClipboardSystemClassificationTest, TableRowsFollowRawIndexOrder) {
    const auto& table = ClipboardSystemClassificationDefinition::all();
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].id, kAllSystemClassifications[i]);
        EXPECT_EQ(displayName(table[i].id), table[i].displayName);
        EXPECT_EQ(systemClassificationFromRawValue(rawValue(table[i].id)), table[i].id);
        const bool gitHub = table[i].id == C::githubPullRequest || table[i].id == C::githubIssue;
        EXPECT_EQ(table[i].tier == ClipboardClassificationTier::domain, gitHub);
    }
    EXPECT_EQ(static_cast<int>(C::json), 6);
    EXPECT_EQ(static_cast<int>(C::sql), 8);
    EXPECT_EQ(rawValue(C::curlCommand), "curlCommand");
    EXPECT_EQ(displayName(C::curlCommand), "Curl");
}

TEST(ClipboardSystemClassificationTest, ExactLookupIsCaseSensitive) {
    EXPECT_EQ(systemClassificationFromRawValue("json"), C::json);
    EXPECT_EQ(systemClassificationFromRawValue("JSON"), std::nullopt);
    EXPECT_EQ(systemClassificationFromRawValue(" json"), std::nullopt);
}

TEST(ClipboardSystemClassificationTest, CaseInsensitiveLookupTakesRawIdsAndDisplayNames) {
    EXPECT_EQ(systemClassificationFromCaseInsensitiveRawValue("  GitHub PR \n"), C::githubPullRequest);
    EXPECT_EQ(systemClassificationFromCaseInsensitiveRawValue("githubpullrequest"), C::githubPullRequest);
    EXPECT_EQ(systemClassificationFromCaseInsensitiveRawValue("json lines"), C::jsonLines);
    EXPECT_EQ(systemClassificationFromCaseInsensitiveRawValue("JSON LINES"), C::jsonLines);
    EXPECT_EQ(systemClassificationFromCaseInsensitiveRawValue("file path"), C::filePath);
    EXPECT_EQ(systemClassificationFromCaseInsensitiveRawValue("Text"), std::nullopt);
    EXPECT_EQ(systemClassificationFromCaseInsensitiveRawValue(""), std::nullopt);
    EXPECT_EQ(systemClassificationFromCaseInsensitiveRawValue("   "), std::nullopt);
}

}  // namespace
}  // namespace quorvane
