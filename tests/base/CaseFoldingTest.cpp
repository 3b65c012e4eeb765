#include <gtest/gtest.h>

#include "base/CaseFolding.h"

namespace quorvane {
namespace {

TEST(CaseFoldingTest, AsciiAndUnicodeTextsCompareByFolding) {
    EXPECT_TRUE(equalIgnoringCase("com.Apple.PASSWORDS", "com.apple.passwords"));
    EXPECT_TRUE(equalIgnoringCase("", ""));
    EXPECT_FALSE(equalIgnoringCase("KeePassX", "KeePassXC"));
    EXPECT_FALSE(equalIgnoringCase("a[", "A{"));  // '[' and '{' differ by the case bit but are no letters
    EXPECT_TRUE(equalIgnoringCase("ΣΊΣΥΦΟΣ", "σίσυφος"));
    EXPECT_TRUE(equalIgnoringCase("STRASSE", "straße"));
    // The Kelvin sign folds to an ASCII k: a mixed pair must not take the ASCII shortcut.
    EXPECT_TRUE(equalIgnoringCase("\u212Aeeper", "keeper"));
    EXPECT_FALSE(equalIgnoringCase("caf\xC3", "CAF\xC3\xA9"));
}

}  // namespace
}  // namespace quorvane
