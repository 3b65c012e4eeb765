#include <gtest/gtest.h>

#include "searchindex/ClipboardSearchRowMatcher.h"

namespace quorvane {
namespace {

using Matcher = ClipboardSearchRowMatcher;
using Tier = Matcher::Tier;

ClipboardSearchIndexRow row(std::string_view normalized, std::string_view compact,
                            std::string_view pinyinSpaced = "", std::string_view pinyinCompact = "") {
    ClipboardSearchIndexRow r;
    r.normalizedText = normalized;
    r.compactText = compact;
    r.pinyinSpaced = pinyinSpaced;
    r.pinyinCompact = pinyinCompact;
    r.contentType = "text";
    return r;
}

TEST(ClipboardSearchRowMatcherTest, TierLooksAtAllFourTextsWithBothFormsOfTheQuery) {
    const ClipboardSearchQueryText twoWords("meeting notes");
    EXPECT_EQ(Matcher::tier(row("meeting notes today", "meetingnotestoday"), twoWords), Tier::prefix);
    EXPECT_EQ(Matcher::tier(row("the meeting notes", "themeetingnotes"), twoWords), Tier::contains);
    // Only the compact forms meet: "meetingnotes" inside "xmeetingnotes".
    EXPECT_EQ(Matcher::tier(row("x meeting notes", "xmeetingnotes"), twoWords), Tier::contains);
    EXPECT_EQ(Matcher::tier(row("meetingnotes", "meetingnotes"), twoWords), Tier::prefix);
    EXPECT_EQ(Matcher::tier(row("notes meeting", "notesmeeting"), twoWords), Tier::none);
    const ClipboardSearchQueryText pinyin("beijing");
    EXPECT_EQ(Matcher::tier(row("\u5317\u4EAC", "\u5317\u4EAC", "bei jing", "beijing"), pinyin),
              Tier::prefix);
    EXPECT_EQ(Matcher::tier(row("x \u5317\u4EAC", "x\u5317\u4EAC", "bei jing", "beijing"),
                            ClipboardSearchQueryText("jing")),
              Tier::contains);
    EXPECT_EQ(Matcher::tier(row("", ""), pinyin), Tier::none);
}

TEST(ClipboardSearchRowMatcherTest, CharactersMustStartAndEndOnCharacterBoundaries) {
    EXPECT_TRUE(Matcher::holdsCharacters(row("", "xaby"), "ab"));
    EXPECT_FALSE(Matcher::holdsCharacters(row("", "xa"), "ab"));
    // "a" with a combining accent is one character: its plain "a" is not the character "a".
    EXPECT_FALSE(Matcher::holdsCharacters(row("", "a\u0301b"), "ab"));
    EXPECT_FALSE(Matcher::holdsCharacters(row("", "xa\u0301b"), "xa"));
    EXPECT_TRUE(Matcher::holdsCharacters(row("", "a\u0301b"), "a\u0301b"));
    // The middle two regional indicators of two flags are no flag of their own; a later whole match counts.
    const std::string flags = "\U0001F1E9\U0001F1EA\U0001F1EB\U0001F1F7";  // DE FR
    const std::string middle = "\U0001F1EA\U0001F1EB";
    EXPECT_FALSE(Matcher::holdsCharacters(row("", flags), middle));
    EXPECT_TRUE(Matcher::holdsCharacters(row("", flags + "x" + middle), middle));
    // The pinyin text counts as well; every gram must be held.
    EXPECT_TRUE(Matcher::holdsAllGrams(row("", "\u5317\u4EAC", "", "beijing"), {"bei", "jin"}));
    EXPECT_FALSE(Matcher::holdsAllGrams(row("", "\u5317\u4EAC", "", "beijing"), {"bei", "jun"}));
}

TEST(ClipboardSearchRowMatcherTest, FiltersCompareAsTheirSqlConditionsDo) {
    auto r = row("a", "a");
    r.classification = "JSON";
    r.bundleIdentifier = "org.KDE.kate";
    r.createdAt = 100.5;
    Matcher::Filters filters;
    EXPECT_TRUE(filters.empty());
    EXPECT_TRUE(Matcher::passes(r, filters));
    filters.classification = "json";
    filters.bundleIdentifiers = std::vector<std::string>{"code", "org.kde.KATE"};
    filters.lowerBound = 100;
    filters.upperBound = 101;
    EXPECT_TRUE(Matcher::passes(r, filters));
    filters.upperBound = 100;  // before, not at
    EXPECT_FALSE(Matcher::passes(r, filters));
    filters.upperBound.reset();
    filters.lowerBound = 101;
    EXPECT_FALSE(Matcher::passes(r, filters));
    filters.lowerBound.reset();
    filters.bundleIdentifiers = std::vector<std::string>{};
    EXPECT_FALSE(Matcher::passes(r, filters));
    filters.bundleIdentifiers.reset();
    filters.contentType = "image";
    EXPECT_FALSE(Matcher::passes(r, filters));
    filters.contentType.reset();
    r.classification.reset();
    EXPECT_FALSE(Matcher::passes(r, filters));
    // NOCASE folds ASCII letters only.
    EXPECT_TRUE(Matcher::equalsNoCase("Url", "uRL"));
    EXPECT_FALSE(Matcher::equalsNoCase("\u00C9t\u00E9", "\u00E9t\u00E9"));
    EXPECT_FALSE(Matcher::equalsNoCase("url", "urls"));
}

}  // namespace
}  // namespace quorvane
