#include <gtest/gtest.h>

#include "classification/ClipboardMainContentType.h"

namespace quorvane {
namespace {

using T = ClipboardMainContentType;

TEST(ClipboardMainContentTypeTest, MatchingNormalisesTheWord) {
    EXPECT_EQ(mainContentTypeMatching("img"), T::image);
    EXPECT_EQ(mainContentTypeMatching("IMAGE"), T::image);
    EXPECT_EQ(mainContentTypeMatching("  Image \t"), T::image);
    EXPECT_EQ(mainContentTypeMatching("Text"), T::text);
    EXPECT_EQ(mainContentTypeMatching("t\xC3\xA9xt"), T::text);  // diacritics are folded
    EXPECT_EQ(mainContentTypeMatching("images"), std::nullopt);
    EXPECT_EQ(mainContentTypeMatching("json"), std::nullopt);
    EXPECT_EQ(mainContentTypeMatching(""), std::nullopt);
    EXPECT_EQ(mainContentTypeMatching("  "), std::nullopt);
}

TEST(ClipboardMainContentTypeTest, RawValuesAndTable) {
    EXPECT_EQ(mainContentTypeFromRawValue("image"), T::image);
    EXPECT_EQ(mainContentTypeFromRawValue("Image"), std::nullopt);
    EXPECT_EQ(displayName(T::text), "Text");
    EXPECT_EQ(ClipboardMainContentTypeDefinition::all()[1].id, T::image);
}

}  // namespace
}  // namespace quorvane
