#include <gtest/gtest.h>

#include "panel/model/ClipboardDetailPreparedText.h"
#include "panel/model/ClipboardQueryHighlighter.h"

namespace quorvane {
namespace {

using Spans = std::vector<ClipboardTextSpan>;

Spans ranges(std::string_view text, std::string_view query) {
    return ClipboardQueryHighlighter::ranges(utf16FromUtf8(text), utf16FromUtf8(query));
}

TEST(ClipboardQueryHighlighterTest, TermsAreTheQueryThenItsNewWords) {
    EXPECT_EQ(ClipboardQueryHighlighter::terms(u"word word"),
              (std::vector<std::u16string>{u"word word", u"word"}));
    // The second word folds like the first one.
    EXPECT_EQ(ClipboardQueryHighlighter::terms(u"Café cafe"),
              (std::vector<std::u16string>{u"Café cafe", u"Café"}));
    EXPECT_EQ(ClipboardQueryHighlighter::terms(u"solo"), std::vector<std::u16string>{u"solo"});
    EXPECT_TRUE(ClipboardQueryHighlighter::terms(u"").empty());
}

TEST(ClipboardQueryHighlighterTest, MatchesIgnoreCaseAndAccentsInUtf16Units) {
    EXPECT_EQ(ranges("Un CAFÉ au café", "cafe"), (Spans{{3, 4}, {11, 4}}));
    // A decomposed accent belongs to the letter before it.
    EXPECT_EQ(ranges("cafe\xCC\x81!", "café"), (Spans{{0, 5}}));
    // Offsets count UTF-16 units: the emoji takes two.
    EXPECT_EQ(ranges("😀 你好世界 你好", "你好"), (Spans{{3, 2}, {8, 2}}));
    EXPECT_EQ(ranges("Straße", "STRASSE"), (Spans{{0, 6}}));
}

TEST(ClipboardQueryHighlighterTest, OverlappingAndTouchingMatchesFormOneRun) {
    EXPECT_EQ(ranges("abcdef", "abc cd"), (Spans{{0, 4}}));
    EXPECT_EQ(ranges("abcdef", "abc def"), (Spans{{0, 6}}));
    EXPECT_EQ(ranges("aaaa", "aa"), (Spans{{0, 4}}));
}

TEST(ClipboardQueryHighlighterTest, TermsThatFoldToNothingAreDropped) {
    // A lone combining accent folds to nothing; searching for it must end and find nothing.
    EXPECT_TRUE(ranges("résumé", "\xCC\x81").empty());
    EXPECT_EQ(ranges("résumé x", "x \xCC\x81"), (Spans{{7, 1}}));
    EXPECT_TRUE(ranges("", "x").empty());
    EXPECT_TRUE(ranges("text", "").empty());
}

TEST(ClipboardDetailPreparedTextTest, LongLinesAreCutAndGivenBackWhole) {
    std::string line;
    for (int i = 0; i < 900; ++i) line += "abcd ";  // 4500 units on one line
    const std::string text = "head\n" + line + "\ntail";
    const auto prepared = ClipboardDetailPreparedText::plain(text, u"tail");
    ASSERT_GE(prepared.addedBreaks.size(), 4u);
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i <= prepared.displayText.size(); ++i) {
        if (i == prepared.displayText.size() || prepared.displayText[i] == u'\n') {
            EXPECT_LE(i - lineStart, ClipboardDetailPreparedText::maximumLineLength);
            lineStart = i + 1;
        }
    }
    EXPECT_EQ(utf8FromUtf16(prepared.originalText(0, prepared.displayText.size())), text);
    // The highlight moved with the two added breaks.
    ASSERT_EQ(prepared.highlights.size(), 1u);
    EXPECT_EQ(prepared.displayText.substr(prepared.highlights[0].start, 4), u"tail");
}

TEST(ClipboardDetailPreparedTextTest, ColourRunsAreConvertedFromBytesToUnits) {
    ColoredText colored;
    colored.text = "{\"名\" : \"😀\"}";
    const SyntaxColor key{{1, 0, 0}, {1, 0, 0}};
    const SyntaxColor string{{0, 1, 0}, {0, 1, 0}};
    colored.ranges = {{1, 5, key}, {9, 6, string}};
    const auto prepared = ClipboardDetailPreparedText::colored(colored, u"");
    ASSERT_EQ(prepared.colorRuns.size(), 2u);
    EXPECT_EQ(prepared.colorRuns[0].span, (ClipboardTextSpan{1, 3}));
    EXPECT_EQ(prepared.colorRuns[1].span, (ClipboardTextSpan{7, 4}));
    EXPECT_EQ(prepared.displayText.substr(7, 4), u"\"😀\"");
}

}  // namespace
}  // namespace quorvane
