#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "classification/IcuReference.h"
#include "classification/formatting/JSONSyntaxHighlighter.h"

namespace quorvane {
namespace {

using testing::icuMatches;
using testing::TextGenerator;

const SyntaxColorTheme& theme() {
    return SyntaxColorTheme::json();
}

TEST(JSONSyntaxHighlighterTest, ColoursEachKindOfToken) {
    const JSONSyntaxHighlighter highlighter(theme());
    const ColoredText colored = highlighter.highlight(R"({"id" : 12, "ok": true, "v": "a1[,]", "n": null})");
    EXPECT_EQ(colored.colorOf(R"("id")"), theme().property);
    EXPECT_EQ(colored.colorOf("12"), theme().number);
    EXPECT_EQ(colored.colorOf("true"), theme().keyword);
    EXPECT_EQ(colored.colorOf("null"), theme().keyword);
    EXPECT_EQ(colored.colorOf(R"("a1[,]")"), theme().string);
    EXPECT_EQ(colored.colorOf("{"), theme().bracket);
    EXPECT_EQ(colored.colorOf(":"), theme().punctuation);
    EXPECT_EQ(colored.colorOf(" "), theme().text);
}

TEST(JSONSyntaxHighlighterTest, LiteralsCountOnlyAsWholeWordsOutsideStrings) {
    const JSONSyntaxHighlighter highlighter(theme());
    const ColoredText colored = highlighter.highlight(R"(["true", nullx, false])");
    EXPECT_EQ(colored.colorOf(R"("true")"), theme().string);
    EXPECT_EQ(colored.colorOf("nullx"), theme().text);
    EXPECT_EQ(colored.colorOf("false"), theme().keyword);
}

TEST(JSONSyntaxHighlighterTest, StringAndKeyStepsAgreeWithTheirPatterns) {
    TextGenerator generator({"\"", "\\", "a", " ", ":", "\n", "\xE2\x80\xA8", "\t"}, 14);
    for (int i = 0; i < 20000; ++i) {
        const std::string text = generator.next();
        for (const bool keys : {false, true}) {
            ColoredTextBuilder builder(text);
            SyntaxHighlighting::applyQuotedStringColor(theme().property, '"', keys, builder, 0, text.size());
            std::vector<std::pair<std::size_t, std::size_t>> painted;
            for (const auto& range : std::move(builder).build().ranges) {
                painted.emplace_back(range.start, range.start + range.length);
            }
            const char* pattern = keys ? R"("(?:\\.|[^"\\])*"(?=\s*:))" : R"("(?:\\.|[^"\\])*")";
            auto expected = icuMatches(pattern, text);
            // Adjacent matches merge into one coloured range.
            std::vector<std::pair<std::size_t, std::size_t>> merged;
            for (const auto& match : expected) {
                if (!merged.empty() && merged.back().second == match.first) {
                    merged.back().second = match.second;
                } else if (match.first != match.second) {
                    merged.push_back(match);
                }
            }
            EXPECT_EQ(painted, merged) << (keys ? "keys: " : "strings: ") << text;
        }
    }
}

TEST(JSONSyntaxHighlighterTest, NumberAndLiteralStepsAgreeWithTheirPatterns) {
    TextGenerator generator({"true", "null", "fals", "e", "1", "0", "-", ".", "E", "+", "\xD9\xA3", "_", "a",
                             " ", "\xC3\xA9", "\xCC\x81", "\xE2\x80\x8D"},
                            10);
    const JSONSyntaxHighlighter highlighter(theme());
    for (int i = 0; i < 20000; ++i) {
        const std::string text = generator.next();
        const ColoredText colored = highlighter.highlight(text);
        std::vector<SyntaxColor> expected(text.size(), theme().text);
        for (const auto& [start, end] : icuMatches(R"(-?(?:0|[1-9]\d*)(?:\.\d+)?(?:[eE][+-]?\d+)?)", text)) {
            std::fill(expected.begin() + static_cast<long>(start), expected.begin() + static_cast<long>(end),
                      theme().number);
        }
        for (const auto& [start, end] : icuMatches(R"(\b(?:true|false|null)\b)", text)) {
            std::fill(expected.begin() + static_cast<long>(start), expected.begin() + static_cast<long>(end),
                      theme().keyword);
        }
        for (std::size_t at = 0; at < text.size(); ++at) {
            EXPECT_EQ(colored.colorAt(at), expected[at]) << text << " at " << at;
        }
    }
}

TEST(JSONSyntaxHighlighterTest, FormatsTheDocumentAndRefusesOtherText) {
    const JSONSyntaxHighlighter highlighter(theme());
    EXPECT_EQ(highlighter.format(R"({"b":1,"a":[2]})"), "{\n  \"b\" : 1,\n  \"a\" : [\n    2\n  ]\n}");
    EXPECT_THROW(highlighter.format("42"), JsonSyntaxError);
    EXPECT_THROW(highlighter.format("\"text\""), JsonSyntaxError);
    try {
        highlighter.format("[\"\xFF\"]");
        FAIL();
    } catch (const FormattingError& error) {
        EXPECT_EQ(error.kind(), FormattingError::Kind::invalidEncoding);
        EXPECT_STREQ(error.what(), "Invalid text encoding");
    }
    const ColoredText formatted = highlighter.formatAndHighlight(R"({"k":"v"})");
    EXPECT_EQ(formatted.text, "{\n  \"k\" : \"v\"\n}");
    EXPECT_EQ(formatted.colorOf("\"k\""), theme().property);
}

TEST(JSONSyntaxHighlighterTest, HostileMegabyteInputsFinish) {
    const JSONSyntaxHighlighter highlighter(theme());
    const std::size_t size = 1 << 20;
    std::string escapedQuotes = "\"";
    while (escapedQuotes.size() < size) escapedQuotes += "\\\"";
    std::string stringsAndBlanks;
    while (stringsAndBlanks.size() < size) stringsAndBlanks += "\"a\"      ";
    for (const auto& input :
         {std::string(size, '"'), std::string(size, '\\'), std::string(size, '['), std::string(size, ' '),
          escapedQuotes, stringsAndBlanks, std::string(size, '7')}) {
        EXPECT_EQ(highlighter.highlight(input).text.size(), input.size());
    }
    EXPECT_EQ(highlighter.highlight(escapedQuotes).colorOf("\\\""), theme().text);
}

}  // namespace
}  // namespace quorvane
