#include <gtest/gtest.h>
#include <unicode/regex.h>

#include <memory>
#include <string>

#include "classification/IcuReference.h"
#include "classification/formatting/SQLSyntaxHighlighter.h"

namespace quorvane {
namespace {

using testing::icuMatches;
using testing::TextGenerator;

SQLSyntaxHighlighter makeHighlighter() {
    return SQLSyntaxHighlighter(SyntaxColorTheme::sql(),
                                SQLSyntaxHighlighter::defaultClauseKeywordPatterns());
}

// The original replacement: `(?i)[ \t]+(<keywords>)` replaced by "\n$1", one pattern after the other.
std::string icuBreaks(std::string text) {
    for (const auto& keywords : SQLSyntaxHighlighter::defaultClauseKeywordPatterns()) {
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError{};
        std::unique_ptr<icu::RegexPattern> pattern(
            icu::RegexPattern::compile(toUnicodeString("(?i)[ \\t]+" + keywords), 0, parseError, status));
        const icu::UnicodeString input = toUnicodeString(text);
        std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
        text = toUtf8(matcher->replaceAll(u"\n$1", status));
    }
    return text;
}

TEST(SQLSyntaxHighlighterTest, BreaksBeforeClauseKeywordsKeepingTheirSpelling) {
    const auto sql = makeHighlighter();
    EXPECT_EQ(sql.format("select a from t where b = 1"), "select a\nfrom t\nwhere b = 1");
    EXPECT_EQ(sql.format("SELECT a FROM t LEFT JOIN u ON t.id = u.id"),
              "SELECT a\nFROM t\nLEFT\nJOIN u\nON t.id = u.id");
    EXPECT_EQ(sql.format("x DELETE FROM t"), "x\nDELETE\nFROM t");
    EXPECT_EQ(sql.format("INSERT INTO t VALUES (1)"), "INSERT INTO t\nVALUES (1)");
    EXPECT_EQ(sql.format("a UNION   ALL b"), "a\nUNION   ALL b");
    EXPECT_EQ(sql.format("  SELECT 1"), "SELECT 1");
    EXPECT_EQ(sql.format("\n  SELECT 1"), "\n\nSELECT 1");
    EXPECT_EQ(sql.format("select fromage from t"), "select fromage\nfrom t");
}

TEST(SQLSyntaxHighlighterTest, LeavesQuotedRunsAndCommentsAlone) {
    const auto sql = makeHighlighter();
    EXPECT_EQ(sql.format("select 'x from y' from t"), "select 'x from y'\nfrom t");
    EXPECT_EQ(sql.format("select 'it''s from' from t"), "select 'it''s from'\nfrom t");
    EXPECT_EQ(sql.format("select \"a from\", `b where`, [c ]] on] from t"),
              "select \"a from\", `b where`, [c ]] on]\nfrom t");
    EXPECT_EQ(sql.format("select 'open from t where x"), "select 'open from t where x");
    // The comment keeps its line feed and the break before the keyword adds one.
    EXPECT_EQ(sql.format("select 1 -- from here\n from t"), "select 1 -- from here\n\nfrom t");
    EXPECT_EQ(sql.format("select 1 -- note\r\n from t"), "select 1 -- note\r\n\nfrom t");
    EXPECT_EQ(sql.format("select /* from */ 1 from t"), "select /* from */ 1\nfrom t");
    EXPECT_EQ(sql.format("select /* open from t"), "select /* open from t");
}

TEST(SQLSyntaxHighlighterTest, TidiesBlankLinesAndLineEnds) {
    const auto sql = makeHighlighter();
    EXPECT_EQ(sql.format("a  \t\nb"), "a\nb");
    EXPECT_EQ(sql.format("a\n\n\n\nb"), "a\n\nb");
    EXPECT_EQ(sql.format("a\n \n\t\n\nb"), "a\n\nb");
}

TEST(SQLSyntaxHighlighterTest, ClauseBreaksAgreeWithTheOriginalReplacement) {
    TextGenerator generator({" ", "\t", "\n", "from", "FROM", "union", "all", "group", "by", "left", "join",
                             "x", "_", "1", "\xC3\xA9", "\xCC\x81"},
                            10);
    const auto sql = makeHighlighter();
    for (int i = 0; i < 20000; ++i) {
        // Quotes and comments excluded: plain code goes through the breaks only, then the tidy-up.
        const std::string text = generator.next();
        const std::string expected = icuBreaks(text);
        std::string tidied = sql.format(text);
        std::string reference = expected;
        // Reproduce the tidy-up on the reference with the original patterns.
        auto replaceAll = [](std::string subject, const char* pattern, const char16_t* replacement) {
            UErrorCode status = U_ZERO_ERROR;
            UParseError parseError{};
            std::unique_ptr<icu::RegexPattern> compiled(
                icu::RegexPattern::compile(toUnicodeString(pattern), 0, parseError, status));
            const icu::UnicodeString input = toUnicodeString(subject);
            std::unique_ptr<icu::RegexMatcher> matcher(compiled->matcher(input, status));
            return toUtf8(matcher->replaceAll(replacement, status));
        };
        if (text.empty() || (text[0] != '\n' && text[0] != '\r')) {
            const auto leading = icuMatches("^[ \\t]*\\n", reference);
            if (!leading.empty() && leading.front().first == 0) reference.erase(0, leading.front().second);
        }
        reference = replaceAll(reference, "[ \\t]+\\n", u"\n");
        reference = replaceAll(reference, "\\n{3,}", u"\n\n");
        EXPECT_EQ(tidied, reference) << text;
    }
}

TEST(SQLSyntaxHighlighterTest, ColoursKeywordsNumbersStringsAndComments) {
    const auto sql = makeHighlighter();
    const auto& theme = SyntaxColorTheme::sql();
    const ColoredText colored =
        sql.highlight("Select t1.a, 42 From t1 WHERE b = 'x 7 from' -- note 9\n/* 3 */ LIMIT 2.5");
    EXPECT_EQ(colored.colorOf("Select"), theme.keyword);
    EXPECT_EQ(colored.colorOf("From"), theme.keyword);
    EXPECT_EQ(colored.colorOf("42"), theme.number);
    EXPECT_EQ(colored.colorOf("t1"), std::nullopt);
    EXPECT_EQ(colored.colorOf("'x 7 from'"), theme.string);
    EXPECT_EQ(colored.colorOf("-- note 9"), theme.comment);
    EXPECT_EQ(colored.colorOf("/* 3 */"), theme.comment);
    EXPECT_EQ(colored.colorOf("2.5"), theme.number);
    EXPECT_EQ(colored.colorAt(colored.text.find(" = ")), std::nullopt);
}

TEST(SQLSyntaxHighlighterTest, KeywordAndNumberStepsAgreeWithTheirPatterns) {
    // Case folding lets some non-ASCII characters spell keywords: long s, the Kelvin sign, sharp s,
    // ligatures.
    TextGenerator generator(
        {"select", "FROM", "cro", "\xC3\x9F", "\xC5\xBF", "\xE2\x84\xAA", "ey", "o\xEF\xAC\x80set", "on", "1",
         "2.5", " ", "_", ".", "\xC3\xA9", "\xCC\x81", "\xE2\x80\x94", "\xE2\x80\x8D"},
        8);
    const auto& theme = SyntaxColorTheme::sql();
    std::string keywordPattern = "\\b(";
    for (const char* keyword : {"SELECT", "FROM", "CROSS", "KEY", "SET", "OFFSET", "ON", "IN", "AS"}) {
        keywordPattern += std::string(keyword) + "|";
    }
    keywordPattern += "NULL)\\b";
    for (int i = 0; i < 20000; ++i) {
        const std::string text = generator.next();
        const ColoredText colored = makeHighlighter().highlight(text);
        std::vector<bool> keyword(text.size(), false);
        for (const auto& [start, end] : icuMatches(keywordPattern, text, UREGEX_CASE_INSENSITIVE)) {
            for (std::size_t at = start; at < end; ++at) keyword[at] = true;
        }
        std::vector<bool> number(text.size(), false);
        for (const auto& [start, end] : icuMatches(R"(\b[0-9]+(\.[0-9]+)?\b)", text)) {
            for (std::size_t at = start; at < end; ++at) number[at] = !keyword[at];
        }
        for (std::size_t at = 0; at < text.size(); ++at) {
            const auto color = colored.colorAt(at);
            EXPECT_EQ(color == theme.keyword, keyword[at]) << text << " at " << at;
            EXPECT_EQ(color == theme.number, number[at]) << text << " at " << at;
        }
    }
}

TEST(SQLSyntaxHighlighterTest, StringAndCommentStepsAgreeWithTheirPatterns) {
    TextGenerator generator({"'", "\\", "a", "\n", "/", "*", "-", " "}, 14);
    const auto& theme = SyntaxColorTheme::sql();
    for (int i = 0; i < 20000; ++i) {
        const std::string text = generator.next();
        ColoredTextBuilder builder(text);
        SyntaxHighlighting::applyQuotedStringColor(theme.string, '\'', false, builder, 0, text.size());
        const auto strings = std::move(builder).build();
        std::size_t painted = 0;
        for (const auto& range : strings.ranges) painted += range.length;
        std::size_t expected = 0;
        for (const auto& [start, end] : icuMatches(R"('([^'\\]|\\.)*')", text)) expected += end - start;
        EXPECT_EQ(painted, expected) << text;

        const ColoredText colored = makeHighlighter().highlight(text);
        for (const auto& [start, end] : icuMatches(R"(/\*[^*]*\*+([^/*][^*]*\*+)*/)", text)) {
            for (std::size_t at = start; at < end; ++at)
                EXPECT_EQ(colored.colorAt(at), theme.comment) << text;
        }
        for (const auto& [start, end] : icuMatches(R"(--[^\n]*)", text)) {
            for (std::size_t at = start; at < end; ++at)
                EXPECT_EQ(colored.colorAt(at), theme.comment) << text;
        }
    }
}

TEST(SQLSyntaxHighlighterTest, HostileMegabyteInputsFinish) {
    const auto sql = makeHighlighter();
    const std::size_t size = 1 << 20;
    std::string openComments;
    while (openComments.size() < size) openComments += "/*";
    std::string escapedQuotes = "'";
    while (escapedQuotes.size() < size) escapedQuotes += "\\'";
    const std::string blanksThenWord = std::string(size, ' ') + "x";
    for (const auto& input : {std::string(size, ' '), std::string(size, '\''), std::string(size, '['),
                              openComments, escapedQuotes, blanksThenWord, std::string(size, '\t') + "\n"}) {
        EXPECT_EQ(sql.highlight(input).text.size(), input.size());
        EXPECT_LE(sql.format(input).size(), input.size() + 1);
    }
    EXPECT_EQ(sql.format(blanksThenWord), blanksThenWord);
}

}  // namespace
}  // namespace quorvane
