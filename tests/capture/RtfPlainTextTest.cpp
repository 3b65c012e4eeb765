#include <gtest/gtest.h>

#include "capture/RtfPlainText.h"

namespace quorvane {
namespace {

TEST(RtfPlainTextTest, ParagraphsTabsAndEscapesComeThroughWithoutTheTables) {
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2639\n"
        "{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;}\n"
        "{\\colortbl;\\red255\\green255\\blue255;}\n"
        "{\\*\\expandedcolortbl;;}\n"
        "\\pard\\tx560\\pardirnatural\\partightenfactor0\n"
        "\\f0\\fs24 \\cf0 First line\\par\n"
        "Col\\tab two \\{braced\\} back\\\\slash\\line\n"
        "Caf\\'e9 \\'80 \\emdash  done}";
    EXPECT_EQ(rtfPlainText(rtf), "First line\nCol\ttwo {braced} back\\slash\nCafé € — done");
}

TEST(RtfPlainTextTest, UnicodeSkipsItsFallbackAndJoinsSurrogates) {
    EXPECT_EQ(rtfPlainText("{\\rtf1\\uc1 \\u20320?\\u22909?}"), "你好");
    EXPECT_EQ(rtfPlainText("{\\rtf1\\uc2 \\u-10179\\'3f\\'3f\\u-8704xy!}"), "\U0001F600!");
    EXPECT_EQ(rtfPlainText("{\\rtf1{\\uc0 \\u233}e\\u233?}"), "\u00E9e\u00E9");
}

TEST(RtfPlainTextTest, FieldResultsStayWhileInstructionsPicturesAndOptionalGroupsGo) {
    EXPECT_EQ(rtfPlainText("{\\rtf1 See {\\field{\\*\\fldinst{HYPERLINK \"https://example.org\"}}"
                           "{\\fldrslt{\\ul example}}} now.}"),
              "See example now.");
    EXPECT_EQ(
        rtfPlainText("{\\rtf1 a{\\pict\\pngblip 89504e47}b{\\*\\unknowndest hidden}c{\\info{\\title T}}d}"),
        "abcd");
    EXPECT_EQ(rtfPlainText("{\\rtf1 x\\bin4 {}}}y}"), "xy");
}

TEST(RtfPlainTextTest, MalformedAndHostileInputFinishes) {
    EXPECT_EQ(rtfPlainText("}}}{\\rtf1 ok\\"), "ok");
    EXPECT_EQ(rtfPlainText("{\\rtf1 \\'zz\\'4"), "zz4");  // a broken escape reads as text
    EXPECT_EQ(rtfPlainText("{\\rtf1 \\bin999999 cut}"), "");
    const std::size_t megabyte = 1024 * 1024;
    EXPECT_EQ(rtfPlainText(std::string(megabyte, '{') + "deep"), "deep");
    std::string words;
    while (words.size() < megabyte) words += "\\abcdefghijklmnopqrstuvwxyzabcdefghijklmnop123456789012345 ";
    EXPECT_EQ(rtfPlainText(words).find("\\"), std::string::npos);
}

}  // namespace
}  // namespace quorvane
