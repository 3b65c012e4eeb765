#include <gtest/gtest.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <string>
#include <thread>
#include <vector>

#include "base/Utf8.h"
#include "model/SearchTextNormalizer.h"

namespace quorvane {
namespace {

using Transliteration = SearchTextNormalizer::LatinTransliteration;

std::string scalar(UChar32 c) {
    return toUtf8(icu::UnicodeString(c));
}

std::string repeated(std::string_view piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

const std::string kCombiningAcute = "\xCC\x81";
const std::string kFlag = "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA";  // one character of two code points
const std::string kExtensionCIdeograph = scalar(0x2A700);      // ICU has no reading for it

TEST(SearchTextNormalizerTest, NormalizeCollapsesEveryKindOfWhitespace) {
    EXPECT_EQ(SearchTextNormalizer::normalize(""), "");
    EXPECT_EQ(SearchTextNormalizer::normalize(" \t\r\n \n"), "");
    EXPECT_EQ(SearchTextNormalizer::normalize("  one\t\ttwo \r\n three  "), "one two three");
    // No-break space, ideographic space and the line separator are whitespace too.
    EXPECT_EQ(SearchTextNormalizer::normalize("a\xC2\xA0"
                                              "b\xE3\x80\x80"
                                              "c\xE2\x80\xA8"
                                              "d"),
              "a b c d");
}

TEST(SearchTextNormalizerTest, NormalizeFoldsCaseAndAccentsButNotWidth) {
    EXPECT_EQ(SearchTextNormalizer::normalize("ÉCOLE Ça"), "ecole ca");
    EXPECT_EQ(SearchTextNormalizer::normalize("E" + kCombiningAcute + "COLE"), "ecole");
    EXPECT_EQ(SearchTextNormalizer::normalize("Ａｂｃ"), "ａｂｃ");  // full-width letters stay full-width
    EXPECT_EQ(SearchTextNormalizer::normalize("北京 Straße"), "北京 strasse");
    // Thai vowel signs are nonspacing marks but not accents: dropping them would change the word.
    EXPECT_EQ(SearchTextNormalizer::normalize("กิน"), "กิน");
    // Hangul syllables decompose into letters, not accents, and must come back whole.
    EXPECT_EQ(SearchTextNormalizer::normalize("한국어 ÀB"), "한국어 ab");
}

// Characters that show as nothing: a word holding one is the word typed without it.
const std::vector<UChar32> kInvisibles = {0x200B, 0x200C, 0x200D, 0x2060,  0x00AD,
                                          0xFEFF, 0xFE00, 0xFE0F, 0xE0100, 0xE01EF};

TEST(SearchTextNormalizerTest, NormalizeDropsInvisibleCharactersInsideAndAroundWords) {
    for (const UChar32 c : kInvisibles) {
        const std::string invisible = scalar(c);
        SCOPED_TRACE(static_cast<int>(c));
        EXPECT_EQ(SearchTextNormalizer::normalize("Zero" + invisible + "Width"), "zerowidth");
        // Beside a blank, or a whole word of them, leaves no stray blank.
        EXPECT_EQ(SearchTextNormalizer::normalize(invisible + "one " + invisible + " two" + invisible),
                  "one two");
        // An accent after one still goes.
        EXPECT_EQ(SearchTextNormalizer::normalize("cafe" + invisible + kCombiningAcute), "cafe");
        EXPECT_EQ(SearchTextNormalizer::withoutInvisibleCharacters("zero" + invisible + "width\xff"),
                  "zerowidth\xff");
    }
    // The no-break space is whitespace, not an invisible character: it still parts words.
    EXPECT_EQ(SearchTextNormalizer::normalize("a\u00A0b\u200Dc"), "a bc");
}

TEST(SearchTextNormalizerTest, NormalizeIgnoresTheUsersLocale) {
    const icu::Locale previous = icu::Locale::getDefault();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("tr"), status);
    ASSERT_TRUE(U_SUCCESS(status));
    // A Turkish lower-casing would give a dotless i and fail to match text stored under another locale.
    const std::string folded = SearchTextNormalizer::normalize("ISTANBUL İzmir");
    icu::Locale::setDefault(previous, status);
    EXPECT_EQ(folded, "istanbul izmir");
}

TEST(SearchTextNormalizerTest, IdeographTestCoversTheFourBlocksOnly) {
    for (UChar32 c : {0x4E00, 0x9FFF, 0x3400, 0x4DBF, 0x20000, 0x2A6DF, 0x2A700, 0x2B73F}) {
        EXPECT_TRUE(SearchTextNormalizer::isChineseIdeograph(scalar(c))) << std::hex << c;
    }
    // Neighbours of the blocks, a compatibility ideograph, a radical, kana, a Hangul syllable, full-width
    // punctuation.
    for (UChar32 c : {0x4DC0, 0xA000, 0x33FF, 0x2A6E0, 0x2B740, 0xF900, 0x2F00, 0x3042, 0xAC00, 0xFF0C}) {
        EXPECT_FALSE(SearchTextNormalizer::isChineseIdeograph(scalar(c))) << std::hex << c;
    }
    EXPECT_TRUE(SearchTextNormalizer::isChineseIdeograph("中" + kCombiningAcute));
    EXPECT_FALSE(SearchTextNormalizer::isChineseIdeograph(""));
    EXPECT_FALSE(SearchTextNormalizer::isChineseIdeograph("\xE4\xB8"));  // truncated 中
}

TEST(SearchTextNormalizerTest, TransliterationKeepsOnlySyllablesOfIdeographs) {
    EXPECT_EQ(SearchTextNormalizer::latinTransliteration("北京"), (Transliteration{"beijing", "bei jing"}));
    EXPECT_EQ(SearchTextNormalizer::latinTransliteration("go 北, 1 京!"),
              (Transliteration{"beijing", "bei jing"}));
    EXPECT_EQ(SearchTextNormalizer::latinTransliteration("绿"),
              (Transliteration{"lu", "lu"}));  // ü loses its marks
    EXPECT_EQ(SearchTextNormalizer::latinTransliteration("plain text"), (Transliteration{}));
    EXPECT_EQ(SearchTextNormalizer::latinTransliteration("あいう 가나"), (Transliteration{}));
    // Extensions A and B are read too; the ideograph keeps its reading when it carries a combining mark.
    EXPECT_EQ(SearchTextNormalizer::latinTransliteration(scalar(0x3400) + scalar(0x20000)),
              (Transliteration{"qiuhe", "qiu he"}));
    EXPECT_EQ(SearchTextNormalizer::latinTransliteration("中" + kCombiningAcute),
              (Transliteration{"zhong", "zhong"}));
}

TEST(SearchTextNormalizerTest, IdeographWithoutReadingIsNeverItsOwnSyllable) {
    const std::string text = "北" + kExtensionCIdeograph + "京";
    EXPECT_EQ(SearchTextNormalizer::latinTransliteration(text), (Transliteration{"beijing", "bei jing"}));
    EXPECT_EQ(SearchTextNormalizer::pinyinAnnotatedText(text),
              "北(bei bei)" + kExtensionCIdeograph + "京(jing jing)");
    EXPECT_EQ(SearchTextNormalizer::pinyinAnnotatedText(kExtensionCIdeograph), kExtensionCIdeograph);
}

TEST(SearchTextNormalizerTest, TransliterationWindowIsCountedInCharacters) {
    // 99 characters of several code points each: only the first ideograph is inside the window.
    const std::string head = repeated(kFlag, 50) + repeated("e" + kCombiningAcute, 49);
    EXPECT_EQ(SearchTextNormalizer::latinTransliteration(head + "北京"), (Transliteration{"bei", "bei"}));
    EXPECT_EQ(SearchTextNormalizer::pinyinAnnotatedText(head + "北京"), head + "北(bei bei)京");
    EXPECT_EQ(SearchTextNormalizer::latinTransliteration(repeated("a", 100) + "北京"), (Transliteration{}));
}

TEST(SearchTextNormalizerTest, AnnotationFollowsEachRunOfIdeographs) {
    EXPECT_EQ(SearchTextNormalizer::pinyinAnnotatedText("北京abc"), "北京(beijing bei jing)abc");
    EXPECT_EQ(SearchTextNormalizer::pinyinAnnotatedText("北a京"), "北(bei bei)a京(jing jing)");
    EXPECT_EQ(SearchTextNormalizer::pinyinAnnotatedText("to 北京 now"), "to 北京(beijing bei jing) now");
    EXPECT_EQ(SearchTextNormalizer::pinyinAnnotatedText("かな北"), "かな北(bei bei)");
    EXPECT_EQ(SearchTextNormalizer::pinyinAnnotatedText(""), "");
    const std::string untouched = repeated("x", 100) + "北京";
    EXPECT_EQ(SearchTextNormalizer::pinyinAnnotatedText(untouched), untouched);
}

TEST(SearchTextNormalizerTest, AnnotationClosesTheRunAtTheWindowEdge) {
    const std::string expected = repeated("中", 100) + "(" + repeated("zhong", 100) + " " +
                                 repeated("zhong ", 99) + "zhong)" + repeated("中", 50);
    EXPECT_EQ(SearchTextNormalizer::pinyinAnnotatedText(repeated("中", 150)), expected);
}

TEST(SearchTextNormalizerTest, HugeTextCostsNoMoreThanItsWindow) {
    const std::string huge = repeated("中", 1 << 20);
    const Transliteration result = SearchTextNormalizer::latinTransliteration(huge);
    EXPECT_EQ(result.compact, repeated("zhong", 100));
    const std::string annotated = SearchTextNormalizer::pinyinAnnotatedText(huge);
    // Parentheses and the blank between the two forms, 100 syllables twice, 99 blanks between syllables.
    EXPECT_EQ(annotated.size(), huge.size() + 3 + 2 * 100 * std::string("zhong").size() + 99);
}

TEST(SearchTextNormalizerTest, ConcurrentCallersGetTheSameAnswers) {
    const std::string text = "复制 the 剪贴板 text 北京 " + kExtensionCIdeograph + " 绿色";
    const std::string expected = SearchTextNormalizer::pinyinAnnotatedText(text);
    std::vector<std::string> results(8);
    std::vector<std::thread> threads;
    for (auto& result : results) {
        threads.emplace_back([&] {
            for (int i = 0; i < 50; ++i) result = SearchTextNormalizer::pinyinAnnotatedText(text);
        });
    }
    for (auto& thread : threads) thread.join();
    for (const auto& result : results) EXPECT_EQ(result, expected);
    EXPECT_NE(expected, text);
}

}  // namespace
}  // namespace quorvane
