#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "classification/formatting/JsonReindenter.h"

namespace quorvane {
namespace {

std::string reindented(std::string_view text) {
    auto result = JsonReindenter::reindent(text);
    if (auto* error = std::get_if<JsonReader::Error>(&result)) return "error: " + error->message;
    if (std::holds_alternative<JsonReindenter::TooLarge>(result)) return "too large";
    return std::get<std::string>(result);
}

TEST(JsonReindenterTest, LaysOutNestedContainersTwoSpacesPerLevel) {
    EXPECT_EQ(reindented(R"({"name":"Quorvane","tags":["a",1,true],"nested":{"n":null,"e":{},"l":[]}})"),
              "{\n"
              "  \"name\" : \"Quorvane\",\n"
              "  \"tags\" : [\n"
              "    \"a\",\n"
              "    1,\n"
              "    true\n"
              "  ],\n"
              "  \"nested\" : {\n"
              "    \"n\" : null,\n"
              "    \"e\" : {},\n"
              "    \"l\" : []\n"
              "  }\n"
              "}");
}

TEST(JsonReindenterTest, KeepsKeyOrderStringsAndNumbersAsWritten) {
    EXPECT_EQ(reindented("  [ \"a\\/b\\u00e9\" , 1.50E+3 , -0 , {\"z\" : 1 , \"a\" : 2 , \"z\" : 3} ]\n"),
              "[\n  \"a\\/b\\u00e9\",\n  1.50E+3,\n  -0,\n  {\n    \"z\" : 1,\n    \"a\" : 2,\n    \"z\" : "
              "3\n  }\n]");
    EXPECT_EQ(reindented("{}"), "{}");
    EXPECT_EQ(reindented("[[]]"), "[\n  []\n]");
}

TEST(JsonReindenterTest, RefusesScalarsTrailingTextAndDeepNesting) {
    EXPECT_EQ(reindented("42"), "error: the top level is not an object or an array");
    EXPECT_EQ(reindented("{} x"), "error: unexpected text after the document");
    EXPECT_EQ(reindented(R"({"a" 1})"), "error: expected a colon after the key");
    EXPECT_EQ(reindented(std::string(JsonReader::kMaxDepth, '[') + std::string(JsonReader::kMaxDepth, ']'))
                  .substr(0, 1),
              "[");
    EXPECT_EQ(
        reindented(std::string(JsonReader::kMaxDepth + 1, '[') + std::string(JsonReader::kMaxDepth + 1, ']')),
        "error: the document is nested too deeply");
}

TEST(JsonReindenterTest, RefusesALayoutFarLargerThanTheText) {
    // A megabyte of elements 500 levels deep would indent each two-byte element by a thousand spaces.
    const std::string deep = std::string(500, '[');
    std::string elements;
    while (elements.size() < (1 << 20)) elements += "1,";
    EXPECT_EQ(reindented(deep + elements + "1" + std::string(500, ']')), "too large");
    EXPECT_EQ(reindented(deep + elements + std::string(500, ']')), "error: unexpected character");
    const std::string moderate = std::string(8, '[') + elements + "1" + std::string(8, ']');
    EXPECT_NE(reindented(moderate).substr(0, 5), "too l");
}

}  // namespace
}  // namespace quorvane
