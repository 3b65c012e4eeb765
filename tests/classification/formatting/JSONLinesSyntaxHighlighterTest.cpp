#include <gtest/gtest.h>

#include <memory>

#include "classification/formatting/JSONLinesSyntaxHighlighter.h"

namespace quorvane {
namespace {

JSONLinesSyntaxHighlighter makeHighlighter() {
    return JSONLinesSyntaxHighlighter(std::make_unique<JSONSyntaxHighlighter>(SyntaxColorTheme::json()));
}

TEST(JSONLinesSyntaxHighlighterTest, FormatsEachRecordWithOneEmptyLineBetween) {
    const auto lines = makeHighlighter();
    EXPECT_EQ(lines.format("{\"a\":1}\n\n\n\n[2]"), "{\n  \"a\" : 1\n}\n\n[\n  2\n]");
    EXPECT_EQ(lines.format("  {\"a\":1}  \r\nnot json  \n"), "{\n  \"a\" : 1\n}\n\nnot json");
    EXPECT_EQ(lines.format("\n\n"), "");
}

TEST(JSONLinesSyntaxHighlighterTest, ColoursLineByLineAndDropsBlankLinesAndTheTrailingBreak) {
    const auto lines = makeHighlighter();
    const auto& theme = SyntaxColorTheme::json();
    const ColoredText colored = lines.highlight("{\"k\": 1}\n   \n[true]\n");
    EXPECT_EQ(colored.text, "{\"k\": 1}\n\n[true]");
    EXPECT_EQ(colored.colorOf("\"k\""), theme.property);
    EXPECT_EQ(colored.colorOf("true"), theme.keyword);
    EXPECT_EQ(colored.colorAt(colored.text.find('\n')), std::nullopt);
    EXPECT_EQ(lines.highlight("{}\n\n\n").text, "{}");
    EXPECT_EQ(lines.highlight("\n{}").text, "\n{}");
}

TEST(JSONLinesSyntaxHighlighterTest, AStringDoesNotRunAcrossLines) {
    const auto lines = makeHighlighter();
    const ColoredText colored = lines.highlight("[\"open\n\"b\": 1");
    EXPECT_EQ(colored.colorOf("\"b\""), SyntaxColorTheme::json().property);
    EXPECT_EQ(colored.colorOf("\"open"), SyntaxColorTheme::json().text);
}

}  // namespace
}  // namespace quorvane
