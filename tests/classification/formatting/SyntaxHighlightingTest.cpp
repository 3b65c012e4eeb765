#include <gtest/gtest.h>

#include "classification/formatting/JSONLinesSyntaxHighlighter.h"
#include "classification/formatting/SQLSyntaxHighlighter.h"
#include "classification/formatting/SyntaxHighlighting.h"

namespace quorvane {
namespace {

TEST(SyntaxHighlightingTest, FactoryMakesAFreshHighlighterForJsonJsonLinesAndSqlOnly) {
    const auto first = SyntaxHighlighting::makeHighlighter(ClipboardSystemClassification::json);
    const auto second = SyntaxHighlighting::makeHighlighter(ClipboardSystemClassification::json);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(dynamic_cast<JSONSyntaxHighlighter&>(*first).theme(),
              dynamic_cast<JSONSyntaxHighlighter&>(*second).theme());
    const auto lines = SyntaxHighlighting::makeHighlighter(ClipboardSystemClassification::jsonLines);
    ASSERT_NE(dynamic_cast<JSONLinesSyntaxHighlighter*>(lines.get()), nullptr);
    EXPECT_EQ(dynamic_cast<JSONLinesSyntaxHighlighter&>(*lines).jsonHighlighter().theme(),
              SyntaxColorTheme::json());
    const auto sql = SyntaxHighlighting::makeHighlighter(ClipboardSystemClassification::sql);
    ASSERT_NE(dynamic_cast<SQLSyntaxHighlighter*>(sql.get()), nullptr);
    EXPECT_EQ(dynamic_cast<SQLSyntaxHighlighter&>(*sql).clauseKeywordPatterns().size(), 4u);
    for (const auto classification : kAllSystemClassifications) {
        const bool formatted = classification == ClipboardSystemClassification::json ||
                               classification == ClipboardSystemClassification::jsonLines ||
                               classification == ClipboardSystemClassification::sql;
        const auto highlighter = SyntaxHighlighting::makeHighlighter(classification);
        EXPECT_EQ(highlighter != nullptr, formatted) << rawValue(classification);
        if (highlighter) {
            EXPECT_TRUE(highlighter->canFormat());
        }
    }
}

TEST(SyntaxHighlightingTest, ThemesCarryALightAndADarkValue) {
    const auto& json = SyntaxColorTheme::json();
    EXPECT_EQ(json.keyword.light, (RgbColor{0.25, 0.43, 0.67}));
    EXPECT_EQ(json.keyword.dark, (RgbColor{0.55, 0.72, 0.90}));
    EXPECT_EQ(json.string, json.text);
    EXPECT_NE(json.text.light, json.text.dark);
    EXPECT_EQ(SyntaxColorTheme::sql().keyword, SyntaxColorTheme::sql().property);
}

}  // namespace
}  // namespace quorvane
