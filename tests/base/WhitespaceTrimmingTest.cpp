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

}  // namespace
}  // namespace quorvane
