#include <gtest/gtest.h>

#include "searchindex/SearchStrings.h"

namespace quorvane {
namespace {

using Grams = std::set<std::string>;
using search_strings::makeGrams;

TEST(SearchStringsTest, GramsAreDistinctRunsOfWholeCharacters) {
    EXPECT_EQ(makeGrams("a", {2, 3}), Grams{});
    EXPECT_EQ(makeGrams("abcd", {2, 3}), (Grams{"ab", "bc", "cd", "abc", "bcd"}));
    EXPECT_EQ(makeGrams("aaaa", {2, 3}), (Grams{"aa", "aaa"}));
    EXPECT_EQ(makeGrams("abcd", {}), Grams{});
    EXPECT_EQ(makeGrams("", {2, 3}), Grams{});
    EXPECT_EQ(makeGrams("ab", {3}), Grams{});
    // "e" with a combining acute accent is one character, and so is a family emoji.
    const std::string accented = "e\u0301";
    const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467";
    EXPECT_EQ(makeGrams(accented + "x" + family, {2}), (Grams{accented + "x", "x" + family}));
    EXPECT_EQ(makeGrams("\u5317\u4EAC\u5E02", {2}), (Grams{"\u5317\u4EAC", "\u4EAC\u5E02"}));
}

}  // namespace
}  // namespace quorvane
