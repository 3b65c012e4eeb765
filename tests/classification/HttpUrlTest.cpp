#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classification/HttpUrl.h"

namespace quorvane {
namespace {

struct Sample {
    const char* text;
    bool expected;
};

void expectSamples(bool (*detector)(std::string_view), const std::vector<Sample>& samples) {
    for (const auto& sample : samples) {
        EXPECT_EQ(detector(sample.text), sample.expected) << sample.text;
    }
}

TEST(HttpUrlTest, HttpLinkMustBeTheWholeText) {
    expectSamples([](std::string_view t) { return HttpUrl::parseWholeText(t).has_value(); },
                  {{"https://example.com", true},
                   {"http://example.com/a/b?q=1&r=%20x#frag", true},
                   {"HTTPS://Example.COM:8443/path", true},
                   {"https://user:pw@intranet.example.org/x", true},
                   {"http://127.0.0.1:8080/health", true},
                   {"http://[::1]:3000/", true},
                   {"http://localhost:5173/", true},
                   {"https://en.wikipedia.org/wiki/Foo_(bar)", true},
                   {"https://例子.测试/路径", true},
                   {"see https://example.com", false},
                   {"https://example.com and more", false},
                   {"https://a.com https://b.com", false},
                   {"ftp://example.com/file", false},
                   {"example.com", false},
                   {"www.example.com", false},
                   {"https://example", false},
                   {"https://example.com.", false},
                   {"https://example.com/page,", false},
                   {"https://example.com/x)", false},
                   {"https://exa mple.com", false},
                   {"https://example.com/a%zz", false},
                   {"https://example.com:99999/", false},
                   {"https://-bad-.com/", false},
                   {"https://256.1.1.1/", false},
                   {"mailto:someone@example.com", false},
                   {"https://", false}});
}

TEST(HttpUrlTest, LinkPartsAreReadBack) {
    const auto url = HttpUrl::parseWholeText("https://Docs.Example.com/a%20b/c?x=1#top");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->scheme, "https");
    EXPECT_EQ(url->host, "Docs.Example.com");
    EXPECT_EQ(url->decodedPath(), "/a b/c");
    EXPECT_EQ(url->pathComponents(), (std::vector<std::string>{"a b", "c"}));
    EXPECT_EQ(url->query, "x=1");
    EXPECT_EQ(url->fragment, "top");
}

TEST(HttpUrlTest, PathComponentsDropEmptyPiecesAndDecodeEscapes) {
    const auto url = HttpUrl::parseWholeText("https://github.com//o/r%2Fx/pull/12/");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->pathComponents(), (std::vector<std::string>{"o", "r/x", "pull", "12"}));
    EXPECT_EQ(HttpUrl::parseWholeText("https://example.com/%FF")->decodedPath(), "/%FF");
    EXPECT_TRUE(HttpUrl::parseWholeText("https://example.com")->pathComponents().empty());
}

}  // namespace
}  // namespace quorvane
