#include <gtest/gtest.h>

#include "searchindex/ClipboardSearchVocabulary.h"

namespace quorvane {
namespace {

using V = ClipboardSearchVocabulary;
using Ids = std::vector<std::string>;

TEST(ClipboardSearchVocabularyTest, MainTypeWordsAndBuiltInNames) {
    EXPECT_EQ(V::mainContentTypeMatching(" Image "), ClipboardContentType::image);
    EXPECT_EQ(V::mainContentTypeMatching("img"), ClipboardContentType::image);
    EXPECT_EQ(V::mainContentTypeMatching("TEXT"), ClipboardContentType::text);
    EXPECT_EQ(V::mainContentTypeMatching("texts"), std::nullopt);
    EXPECT_EQ(V::mainContentTypeMatching(""), std::nullopt);
    EXPECT_TRUE(V::namesBuiltInClassification("github pr"));
    EXPECT_TRUE(V::namesBuiltInClassification("githubpullrequest"));
    EXPECT_FALSE(V::namesBuiltInClassification("my clips"));
}

TEST(ClipboardSearchVocabularyTest, AppValuesResolveAgainstStoredIdentifiers) {
    const Ids known = {"com.google.Chrome", "org.mozilla.firefox", "com.jgraph.drawio", " ",
                       "COM.GOOGLE.CHROME"};
    EXPECT_EQ(V::resolveByIdentifier("com.google.chrome", known), Ids{"com.google.Chrome"});
    EXPECT_EQ(V::resolveByIdentifier("google chrome", known), Ids{"com.google.Chrome"});
    EXPECT_EQ(V::resolveByIdentifier("Firefox", known), Ids{"org.mozilla.firefox"});
    // A dotted value that is no identifier is still a name.
    EXPECT_EQ(V::resolveByIdentifier("draw.io", known), Ids{"com.jgraph.drawio"});
    EXPECT_EQ(V::resolveByIdentifier("-_.", known), Ids{});
    EXPECT_EQ(V::resolveByIdentifier("nothing-like-this", known), Ids{});
}

}  // namespace
}  // namespace quorvane
