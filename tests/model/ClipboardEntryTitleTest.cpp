#include <gtest/gtest.h>

#include <string>

#include "base/Utf8.h"
#include "model/ClipboardEntryTitle.h"
#include "platform/memory/InMemoryImageProbe.h"

namespace quorvane {
namespace {

const std::string kFlag = "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA";  // one character of two code points
const std::string kAccentedE = "e\xCC\x81";                    // one character of two code points
const std::string kEllipsis = "\xE2\x80\xA6";

std::string repeated(std::string_view piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

// `count` characters of several code points each.
std::string wideCharacters(std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) out += (i % 2 == 0) ? kFlag : kAccentedE;
    return out;
}

TEST(ClipboardEntryTitleTest, BlankTextHasNoTitleAndALoneLineNoMarker) {
    EXPECT_EQ(ClipboardEntryTitle::make("", 80), std::nullopt);
    EXPECT_EQ(ClipboardEntryTitle::make(" \t\r\n \xE2\x80\xA8\xC2\xA0\n", 80), std::nullopt);
    EXPECT_EQ(ClipboardEntryTitle::make("\n\n   word  \n \t \n", 80), "word");
}

TEST(ClipboardEntryTitleTest, SingleLineIsCutAfterTheLimitInCharacters) {
    const std::string eighty = wideCharacters(80);
    EXPECT_EQ(ClipboardEntryTitle::make(eighty, 80), eighty);
    EXPECT_EQ(ClipboardEntryTitle::make(eighty + kFlag, 80), eighty + "...");
    EXPECT_EQ(ClipboardEntryTitle::make(repeated("a", 81), 80), repeated("a", 80) + "...");
    EXPECT_EQ(ClipboardEntryTitle::make("abc", 0), "...");
}

TEST(ClipboardEntryTitleTest, SeveralLinesShowTheMarkerWithinTheLimit) {
    const std::string seventyNine = wideCharacters(79);
    EXPECT_EQ(ClipboardEntryTitle::make(seventyNine + "\nsecond", 80),
              std::string(characterPrefix(seventyNine, 78)) + " " + kEllipsis);
    const std::string seventyEight = wideCharacters(78);
    EXPECT_EQ(ClipboardEntryTitle::make("  " + seventyEight + "  \r\n\r\nsecond", 80),
              seventyEight + " " + kEllipsis);
    EXPECT_EQ(ClipboardEntryTitle::make("ab\ncd", 2), kEllipsis);
    EXPECT_EQ(ClipboardEntryTitle::make("ab\ncd", 1), kEllipsis);
    EXPECT_EQ(ClipboardEntryTitle::make("ab\ncd", 0), "");
    EXPECT_EQ(ClipboardEntryTitle::make("ab\ncd", -5), "");
    EXPECT_EQ(ClipboardEntryTitle::make("ab\ncd", 3), "a " + kEllipsis);
}

TEST(ClipboardEntryTitleTest, EveryUnicodeLineBreakEndsALine) {
    for (const std::string lineBreak :
         {"\n", "\r", "\x0B", "\x0C", "\xC2\x85", "\xE2\x80\xA8", "\xE2\x80\xA9"}) {
        EXPECT_EQ(ClipboardEntryTitle::make("first" + lineBreak + "second", 80), "first " + kEllipsis);
    }
}

TEST(ClipboardEntryTitleTest, PrettyPrintedJsonBecomesOneCompactLine) {
    const std::string json =
        "{\n  \"name\" : \"two  words\",\n  \"quote\": \"say \\\"hi there\\\" \\\\\",\n"
        "  \"list\": [ 1,\t2 ]\n}\n";
    EXPECT_EQ(ClipboardEntryTitle::make(json, 80),
              "{\"name\":\"two  words\",\"quote\":\"say \\\"hi there\\\" \\\\\",\"list\":[1,2]}");
    // A combining mark right after an opening quote must not hide where the string starts.
    EXPECT_EQ(ClipboardEntryTitle::make("[ \"\xCC\x81x\" ,\n \"a b\" ]", 80), "[\"\xCC\x81x\",\"a b\"]");
    EXPECT_EQ(ClipboardEntryTitle::make("[" + repeated("1, ", 50) + "1]", 10), "[1,1,1,1,1...");
}

TEST(ClipboardEntryTitleTest, JsonLinesJoinOnlyWhenEveryLineIsJson) {
    EXPECT_EQ(ClipboardEntryTitle::make("{\"a\": 1}\n\n[ true, null ]\n", 80), "{\"a\":1} [true,null]");
    EXPECT_EQ(ClipboardEntryTitle::make("{\"a\": 1}\nplain text", 80), "{\"a\": 1} " + kEllipsis);
    EXPECT_EQ(ClipboardEntryTitle::make("{not json\nsecond", 80), "{not json " + kEllipsis);
    EXPECT_EQ(ClipboardEntryTitle::make("{ \"a\": 1 } trailing", 80), "{ \"a\": 1 } trailing");
}

TEST(ClipboardEntryTitleTest, JsonContainerIsAWholeObjectOrArray) {
    EXPECT_TRUE(ClipboardEntryTitle::isJsonContainer("{}"));
    EXPECT_TRUE(ClipboardEntryTitle::isJsonContainer("[1, \"\xE4\xB8\xAD\"]"));
    EXPECT_FALSE(ClipboardEntryTitle::isJsonContainer("\"text\""));
    EXPECT_FALSE(ClipboardEntryTitle::isJsonContainer("42"));
    EXPECT_FALSE(ClipboardEntryTitle::isJsonContainer("[1,]"));
    EXPECT_FALSE(ClipboardEntryTitle::isJsonContainer("{} {}"));
    EXPECT_FALSE(ClipboardEntryTitle::isJsonContainer("[\"\xFF\"]"));      // not UTF-8
    EXPECT_FALSE(ClipboardEntryTitle::isJsonContainer("[1] // comment"));  // not standard JSON
}

TEST(ClipboardEntryTitleTest, DeepNestingAndHugeTextsAreTitled) {
    constexpr std::size_t depth = 100000;
    const std::string nested = repeated("[ ", depth) + repeated("] ", depth);
    EXPECT_TRUE(ClipboardEntryTitle::isJsonContainer(nested));
    EXPECT_EQ(ClipboardEntryTitle::make(nested, 80), repeated("[", 80) + "...");
    const std::string unbalanced = repeated("{\"a\":[", depth);
    EXPECT_EQ(ClipboardEntryTitle::make(unbalanced, 6), "{\"a\":[...");

    std::string big = "[\n";
    while (big.size() < (1u << 20)) big += "  \"a clipboard line\",\n";
    big += "  0\n]";
    const std::optional<std::string> title = ClipboardEntryTitle::make(big, 80);
    ASSERT_TRUE(title.has_value());
    EXPECT_EQ(title->substr(0, 21), "[\"a clipboard line\",\"");
}

TEST(ClipboardEntryTitleTest, ImageTitleTakesTheFirstRepresentationWithPixels) {
    EXPECT_EQ(ClipboardEntryTitle::image(ImageDimensions{{{0, 10}, {1920, 1080}, {640, 480}}, 10, 10}),
              "Image 1920x1080");
    EXPECT_EQ(ClipboardEntryTitle::image(ImageDimensions{{{0, 0}}, 64, 48}), "Image 64x48");
    EXPECT_EQ(ClipboardEntryTitle::image(ImageDimensions{{}, 63.5, 47.4}), "Image 64x47");
    EXPECT_EQ(ClipboardEntryTitle::image(ImageDimensions{{}, -3, 48}), "Image");
    EXPECT_EQ(ClipboardEntryTitle::image(ImageDimensions{}), "Image");
    EXPECT_EQ(ClipboardEntryTitle::image(ImageDimensions{{{100000, 100000}}}), "Image 100000x100000");
}

TEST(ClipboardEntryTitleTest, ImageBlobIsTitledThroughTheProbe) {
    InMemoryImageProbe probe;
    const std::vector<std::uint8_t> known = {1, 2, 3};
    probe.setDimensions(known, ImageDimensions{{{300, 200}}});
    EXPECT_EQ(ClipboardEntryTitle::image(known, probe), "Image 300x200");
    EXPECT_EQ(ClipboardEntryTitle::image(std::vector<std::uint8_t>{9, 9}, probe), "Image");
}

}  // namespace
}  // namespace quorvane
