#include "search/ClipboardSearchQueryText.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(ClipboardSearchQueryTextTest, NormalisedCompactAndWords) {
    const auto query = ClipboardSearchQueryText::make("  Déjà\tVU  now ");
    EXPECT_EQ(query.normalizedText, "deja vu now");
    EXPECT_EQ(query.compactText, "dejavunow");
    EXPECT_EQ(query.tokens, (std::vector<std::string>{"deja", "vu", "now"}));
    EXPECT_EQ(ClipboardSearchQueryText::make(" \n "), ClipboardSearchQueryText{});
}

}  // namespace
}  // namespace quorvane
