#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classification/JsonReader.h"

namespace quorvane {
namespace {

using Top = JsonReader::TopLevel;

bool valid(std::string_view text, Top top = Top::containerOnly) {
    return !JsonReader::validate(text, top);
}

TEST(JsonReaderTest, AcceptsStrictJsonOnly) {
    const std::vector<std::string> good = {"{}",
                                           "[]",
                                           " [ 1 , -2.5e+3 , 0 , 1E5 ] ",
                                           R"({"a":{"b":[true,false,null]}})",
                                           R"(["\"\\\/\b\f\n\r\t\u00E9\ud83d\ude00"])",
                                           "[\"caf\xC3\xA9\"]"};
    for (const auto& text : good) EXPECT_TRUE(valid(text)) << text;
    const std::vector<std::string> bad = {"",
                                          "   ",
                                          "[",
                                          "]",
                                          "{",
                                          R"({"a"})",
                                          R"({"a":})",
                                          "[1,]",
                                          "[01]",
                                          "[1.]",
                                          "[.5]",
                                          "[+1]",
                                          "[1e]",
                                          "[tru]",
                                          "[True]",
                                          "[NaN]",
                                          "['a']",
                                          R"(["a)",
                                          "[\"a\tb\"]",
                                          R"(["\x"])",
                                          R"(["\u12G4"])",
                                          R"(["\udc00"])",
                                          R"(["\ud800x"])",
                                          "[\"\xFF\"]",
                                          "[\"\xC3\"]",
                                          "[1] [2]",
                                          "{\"a\":1}}",
                                          "[}"};
    for (const auto& text : bad) EXPECT_FALSE(valid(text)) << text;
}

TEST(JsonReaderTest, ScalarsStandAloneOnlyWhenAllowed) {
    EXPECT_FALSE(valid("\"text\""));
    EXPECT_TRUE(valid("\"text\"", Top::anyValue));
    EXPECT_TRUE(valid(" 12 ", Top::anyValue));
}

TEST(JsonReaderTest, ReportsEventsInReadingOrder) {
    struct Recorder : JsonReader::Handler {
        std::string log;
        void beginObject() override { log += "{"; }
        void endObject() override { log += "}"; }
        void beginArray() override { log += "["; }
        void endArray() override { log += "]"; }
        void key(std::string_view raw) override { log += "k" + std::string(raw); }
        void scalar(std::string_view raw) override { log += "v" + std::string(raw); }
    } recorder;
    EXPECT_FALSE(JsonReader::read(R"({"a":[1,"x"],"b":{}})", Top::containerOnly, recorder));
    EXPECT_EQ(recorder.log, R"({k"a"[v1v"x"]k"b"{}})");
}

TEST(JsonReaderTest, DecodesEscapesInStrings) {
    EXPECT_EQ(JsonReader::decodedString(R"("a\"b\\c\/d\n")"), "a\"b\\c/d\n");
    EXPECT_EQ(JsonReader::decodedString(R"("\u0069d")"), "id");
    EXPECT_EQ(JsonReader::decodedString(R"("\u00e9\ud83d\ude00")"), "\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(JsonReaderTest, HostileMegabyteInputsEndWithAFault) {
    const std::size_t size = 1 << 20;
    EXPECT_FALSE(valid(std::string(size, '[')));
    EXPECT_FALSE(valid(std::string(size / 2, '[') + std::string(size / 2, ']')));
    EXPECT_FALSE(valid("[" + std::string(size, '"')));
    EXPECT_FALSE(valid("[\"" + std::string(size, '\\')));
    EXPECT_TRUE(valid("[\"" + std::string(size, 'a') + "\"]"));
    EXPECT_TRUE(valid("[" + std::string(size, ' ') + "]"));
}

}  // namespace
}  // namespace quorvane
