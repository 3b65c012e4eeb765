#include <gtest/gtest.h>

#include "searchindex/ClipboardSearchQueryText.h"

namespace quorvane {
namespace {

TEST(ClipboardSearchQueryTextTest, TextIsNormalisedThenCompactedAndSplit) {
    ClipboardSearchQueryText text("  Héllo \t  WORLD\n");
    EXPECT_EQ(text.normalizedText, "hello world");
    EXPECT_EQ(text.compactText, "helloworld");
    EXPECT_EQ(text.tokens, (std::vector<std::string>{"hello", "world"}));
    EXPECT_EQ(ClipboardSearchQueryText(" \n "), ClipboardSearchQueryText("", "", {}));
}

}  // namespace
}  // namespace quorvane
