#include <gtest/gtest.h>

#include "base/Utf8.h"

namespace quorvane {
namespace {

const std::string kFlag = "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA";  // regional indicators D + E
const std::string kAccentedE = "e\xCC\x81";                    // e + combining acute
const std::string kFamily = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";

TEST(Utf8Test, CountsUserPerceivedCharactersNotCodePointsOrBytes) {
    EXPECT_EQ(characterCount(""), 0u);
    EXPECT_EQ(characterCount("abc"), 3u);
    EXPECT_EQ(characterCount(kFlag), 1u);
    EXPECT_EQ(characterCount(kAccentedE), 1u);
    EXPECT_EQ(characterCount(kFamily), 1u);
    EXPECT_EQ(characterCount("\r\n"), 1u);
    EXPECT_EQ(characterCount("a" + kFlag + kAccentedE + "\xE4\xB8\xAD"), 4u);
}

TEST(Utf8Test, PrefixNeverSplitsACharacter) {
    const std::string text = kFlag + kAccentedE + "xyz";
    EXPECT_EQ(characterPrefix(text, 0), "");
    EXPECT_EQ(characterPrefix(text, 1), kFlag);
    EXPECT_EQ(characterPrefix(text, 2), kFlag + kAccentedE);
    EXPECT_EQ(characterPrefix(text, 3), kFlag + kAccentedE + "x");
    EXPECT_EQ(characterPrefix(text, 50), text);
    EXPECT_EQ(characterCountUpTo(text, 2), 2u);
    EXPECT_EQ(characterCountUpTo(text, 99), 5u);
}

TEST(Utf8Test, SplitsIntoCharactersAndKeepsInvalidBytes) {
    const std::string text = "a" + kAccentedE + "\xFF" + "b";
    const auto parts = splitCharacters(text);
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[1], kAccentedE);
    EXPECT_EQ(parts[2], "\xFF");
    EXPECT_EQ(parts[3], "b");
}

TEST(Utf8Test, ValidatesUtf8) {
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8(kFamily + "ascii \xE4\xB8\xAD"));
    EXPECT_FALSE(isValidUtf8("\xC3"));                 // truncated sequence
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));             // overlong slash
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));         // surrogate
    EXPECT_TRUE(isValidUtf8(std::string("a\0b", 3)));  // NUL is valid UTF-8
}

TEST(Utf8Test, RoundTripsThroughIcu) {
    const std::string text = kFamily + " \xE4\xB8\xAD\xE6\x96\x87 " + kAccentedE;
    EXPECT_EQ(toUtf8(toUnicodeString(text)), text);
    EXPECT_EQ(toUtf8(toUnicodeString("\xFF")), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace quorvane
