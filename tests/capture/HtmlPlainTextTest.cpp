#include <gtest/gtest.h>

#include "capture/HtmlPlainText.h"

namespace quorvane {
namespace {

TEST(HtmlPlainTextTest, BlocksAndBreaksBecomeLinesAndWhiteSpaceCollapses) {
    EXPECT_EQ(htmlPlainText("<html><body><h1>Title</h1>\n  <p>First   paragraph\n spans</p><p>Second<br>line"
                            "</p><ul><li>one</li><li>two</li></ul></body></html>"),
              "Title\nFirst paragraph spans\nSecond\nline\none\ntwo");
    EXPECT_EQ(htmlPlainText("<table><tr><td>a</td><td>b</td></tr><tr><td>c</td><td>d</td></tr></table>"),
              "a\tb\nc\td");
    EXPECT_EQ(htmlPlainText("<pre>  keep\n    indented</pre>after"), "  keep\n    indented\nafter");
}

TEST(HtmlPlainTextTest, HiddenPartsAreSkippedAndEntitiesDecoded) {
    EXPECT_EQ(htmlPlainText("<!DOCTYPE html><html><head><title>T</title><style>p{color:red}</style>"
                            "<meta charset=\"utf-8\"></head><body><!-- a <p>comment</p> -->"
                            "<script>var s = '</p>x';</SCRIPT>Fish &amp; chips &lt;3 &#169; &#x1F600;"
                            " &nbsp;&unknown; &amp</body></html>"),
              "Fish & chips <3 \u00A9 \U0001F600 \u00A0&unknown; &amp");
    // Images and frames contribute nothing, and are never fetched.
    EXPECT_EQ(
        htmlPlainText("<img src=\"http://example.org/x.png\"><iframe src=\"https://e.org\"></iframe>ok"),
        "ok");
    EXPECT_EQ(htmlPlainText("<b>unfinished <i"), "unfinished");
    EXPECT_EQ(htmlPlainText("&#0;&#xD800;&#99999999;"), "\uFFFD\uFFFD\uFFFD");
}

TEST(HtmlPlainTextTest, Utf16WithByteOrderMarkIsRead) {
    const std::u16string html = u"<p>Gr\u00FC\u00DFe \u4F60\u597D</p>";
    std::string littleEndian("\xFF\xFE", 2);
    std::string bigEndian("\xFE\xFF", 2);
    for (char16_t unit : html) {
        littleEndian.push_back(static_cast<char>(unit & 0xFF));
        littleEndian.push_back(static_cast<char>(unit >> 8));
        bigEndian.push_back(static_cast<char>(unit >> 8));
        bigEndian.push_back(static_cast<char>(unit & 0xFF));
    }
    EXPECT_EQ(htmlPlainText(littleEndian), "Grüße 你好");
    EXPECT_EQ(htmlPlainText(bigEndian), "Grüße 你好");
    EXPECT_EQ(htmlPlainText("\xEF\xBB\xBF<p>bom</p>"), "bom");
}

TEST(HtmlPlainTextTest, HostileMegabyteInputsFinish) {
    const std::size_t megabyte = 1024 * 1024;
    EXPECT_EQ(htmlPlainText(std::string(megabyte, '&')).size(), megabyte);
    std::string scripts;
    while (scripts.size() < megabyte) scripts += "<script></scrip";
    EXPECT_EQ(htmlPlainText(scripts), "");
    std::string tags;
    while (tags.size() < megabyte) tags += "<a<b";
    tags += ">";
    EXPECT_EQ(htmlPlainText(tags), "");
    std::string comments;
    while (comments.size() < megabyte) comments += "<!-- -- >";
    EXPECT_EQ(htmlPlainText(comments), "");
}

}  // namespace
}  // namespace quorvane
