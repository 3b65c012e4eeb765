#include <gtest/gtest.h>

#include "base/WhitespaceTrimming.h"

namespace quorvane {
namespace {

TEST(WhitespaceTrimmingTest, TrimsUnicodeSpacesAndLineBreaksAtBothEndsOnly) {
    EXPECT_EQ(trimmedWhitespaceAndNewlines(" \t\r\n\v\f org.a.App \u00A0\u2003\u3000\u2028\u2029\u0085"),
              "org.a.App");
    EXPECT_EQ(trimmedWhitespaceAndNewlines("a b\u00A0c"), "a b\u00A0c");
    EXPECT_EQ(trimmedWhitespaceAndNewlines(" \u00A0\n"), "");
    EXPECT_EQ(trimmedWhitespaceAndNewlines(""), "");
    // Zero-width space and byte-order mark are not white space.
    EXPECT_EQ(trimmedWhitespaceAndNewlines("\u200Bx\uFEFF"), "\u200Bx\uFEFF");
}

TEST(WhitespaceTrimmingTest, InvalidBytesAreKept) {
    EXPECT_EQ(trimmedWhitespaceAndNewlines(" \xC2 "), "\xC2");
    EXPECT_EQ(trimmedWhitespaceAndNewlines("\xA0 x \xE2\x80"), "\xA0 x \xE2\x80");
    EXPECT_EQ(trimmedWhitespaceAndNewlines("\xE2\x80\x83"), "");
}

TEST(WhitespaceTrimmingTest, WhitespaceAndLineBreaksFollowUnicodeOnBothSidesOfTheAsciiShortcut) {
    for (char32_t c : {U' ', U'\t', U'\n', U'\r', U'\v', U'\f', U'\u0085', U'\u00A0', U'\u2003', U'\u3000'})
        EXPECT_TRUE(isUnicodeWhitespace(c)) << static_cast<std::uint32_t>(c);
    for (char32_t c : {U'a', U'\u001C', U'\u001F', U'\u200B', U'\uFEFF', char32_t{0x110000}})
        EXPECT_FALSE(isUnicodeWhitespace(c)) << static_cast<std::uint32_t>(c);
    EXPECT_FALSE(isUnicodeWhitespace(std::int32_t{-1}));  // an invalid byte as ICU decodes it

    for (std::int32_t c : {0x0A, 0x0B, 0x0C, 0x0D, 0x85, 0x2028, 0x2029}) EXPECT_TRUE(isLineBreak(c)) << c;
    for (std::int32_t c : {0x09, 0x20, 0xA0, -1}) EXPECT_FALSE(isLineBreak(c)) << c;
}

}  // namespace
}  // namespace quorvane
