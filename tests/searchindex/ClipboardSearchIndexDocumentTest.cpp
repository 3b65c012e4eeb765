#include <gtest/gtest.h>

#include "base/Utf8.h"
#include "searchindex/ClipboardSearchIndexDocument.h"
#include "searchindex/ClipboardSearchIndexStats.h"

namespace quorvane {
namespace {

ClipboardSearchSourceDocument source(std::string text,
                                     ClipboardContentType type = ClipboardContentType::text) {
    ClipboardSearchSourceDocument doc;
    doc.id = "id-1";
    doc.preview = "preview";
    doc.searchableText = std::move(text);
    doc.createdAt = Date(1000);
    doc.contentType = type;
    doc.bundleIdentifier = "org.kde.kate";
    doc.classification = "JSON";
    return doc;
}

ClipboardSearchIndexDocument build(const ClipboardSearchSourceDocument& s, bool pinyin = false) {
    return ClipboardSearchIndexDocument::make(s, ClipboardSearchIndexConfiguration{8192, 4096, pinyin});
}

std::string repeated(std::string_view piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

TEST(ClipboardSearchIndexDocumentTest, TextIsCutAtTheLimitOfItsContentTypeInCharacters) {
    const auto exact = build(source(repeated("a", 8192)));
    EXPECT_FALSE(exact.isTruncated);
    EXPECT_EQ(exact.normalizedText.size(), 8192u);

    const auto over = build(source(repeated("a", 8193)));
    EXPECT_TRUE(over.isTruncated);
    EXPECT_EQ(over.normalizedText.size(), 8192u);

    const auto image = build(source(repeated("b", 5000), ClipboardContentType::image));
    EXPECT_TRUE(image.isTruncated);
    EXPECT_EQ(image.compactText.size(), 4096u);

    // Multi-byte characters count once each: 8192 three-byte ideographs fit whole.
    const auto wide = build(source(repeated("\u4E2D", 8192)));
    EXPECT_FALSE(wide.isTruncated);
    EXPECT_EQ(characterCount(wide.normalizedText), 8192u);
}

TEST(ClipboardSearchIndexDocumentTest, CutFallsBetweenWholeCharactersAndBeforeNormalising) {
    const std::string accented = "E\u0301";  // E + combining acute: one character
    const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467";
    const auto doc = ClipboardSearchIndexDocument::make(source(accented + family + "xyz"), 2, 2, false);
    EXPECT_TRUE(doc.isTruncated);
    // The family is one character when cut; normalising then drops its invisible joiners, as a query's.
    EXPECT_EQ(doc.normalizedText, "e\U0001F468\U0001F469\U0001F467");
    EXPECT_EQ(doc.normalizedText.find('x'), std::string::npos);

    // The limit applies to the text as copied: leading blanks use it up before normalising drops them.
    const auto blanks = ClipboardSearchIndexDocument::make(source("   abc"), 4, 4, false);
    EXPECT_EQ(blanks.normalizedText, "a");
    EXPECT_TRUE(blanks.isTruncated);
}

TEST(ClipboardSearchIndexDocumentTest, NormalisedAndCompactFormsAndCopiedFields) {
    auto s = source("  Hello\tWORLD \n Café ");
    s.lastAccessedAt = Date(2000);
    s.accessCount = 3;
    const auto doc = build(s);
    EXPECT_EQ(doc.normalizedText, "hello world cafe");
    EXPECT_EQ(doc.compactText, "helloworldcafe");
    EXPECT_EQ(doc.id, "id-1");
    EXPECT_EQ(doc.preview, "preview");
    EXPECT_EQ(doc.createdAt, Date(1000));
    EXPECT_EQ(doc.lastAccessedAt, Date(2000));
    EXPECT_EQ(doc.sortAt, Date(2000));
    EXPECT_EQ(doc.accessCount, 3);
    EXPECT_EQ(doc.bundleIdentifier, "org.kde.kate");
    EXPECT_EQ(doc.classification, "JSON");

    const auto empty = build(source(""));
    EXPECT_EQ(empty.normalizedText, "");
    EXPECT_EQ(empty.compactText, "");
    EXPECT_FALSE(empty.isTruncated);
    EXPECT_EQ(build(source(" \t\n ")).compactText, "");
}

TEST(ClipboardSearchIndexDocumentTest, SortTimeNeverMovesBackAndCountsNeverGoNegative) {
    auto s = source("x");
    EXPECT_EQ(build(s).sortAt, Date(1000));
    s.lastAccessedAt = Date(999);
    EXPECT_EQ(build(s).sortAt, Date(1000));
    EXPECT_EQ(build(s).lastAccessedAt, Date(999));
    s.lastAccessedAt = Date(1000);
    EXPECT_EQ(build(s).sortAt, Date(1000));
    s.accessCount = -5;
    EXPECT_EQ(build(s).accessCount, 0);
}

TEST(ClipboardSearchIndexDocumentTest, PinyinOnlyWhenEnabledAndFromTheCutText) {
    const std::string beijing = "\u5317\u4EAC";
    EXPECT_EQ(build(source("go to " + beijing), false).pinyinCompact, "");
    EXPECT_EQ(build(source("go to " + beijing), false).pinyinSpaced, "");

    const auto on = build(source("go to " + beijing), true);
    EXPECT_EQ(on.pinyinCompact, "beijing");
    EXPECT_EQ(on.pinyinSpaced, "bei jing");
    EXPECT_EQ(build(source("no ideographs"), true).pinyinSpaced, "");

    // Ideographs past the first 100 characters are not transliterated.
    const auto late = build(source(repeated("a", 100) + beijing), true);
    EXPECT_EQ(late.pinyinCompact, "");
    // Ideographs cut off by the limit are not transliterated either.
    const auto cut = ClipboardSearchIndexDocument::make(source("ab" + beijing), 3, 3, true);
    EXPECT_EQ(cut.pinyinCompact, "bei");
}

TEST(ClipboardSearchIndexStatsTest, EqualityComparesCountsAndRebuildTime) {
    EXPECT_EQ((ClipboardSearchIndexStats{2, 5, std::nullopt}),
              (ClipboardSearchIndexStats{2, 5, std::nullopt}));
    EXPECT_NE((ClipboardSearchIndexStats{2, 5, Date(1)}), (ClipboardSearchIndexStats{2, 5, std::nullopt}));
    EXPECT_NE((ClipboardSearchIndexStats{2, 5, std::nullopt}),
              (ClipboardSearchIndexStats{2, 6, std::nullopt}));
}

}  // namespace
}  // namespace quorvane
