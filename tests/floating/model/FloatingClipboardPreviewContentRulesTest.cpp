#include <gtest/gtest.h>

#include "floating/model/FloatingClipboardPreviewContentRules.h"
#include "panel/support/PanelTestEntries.h"

namespace quorvane {
namespace {

using Rules = FloatingClipboardPreviewContentRules;
using Mode = FloatingClipboardPreviewMode;
using Kind = ClipboardSystemClassification;

ClipboardHistoryContentSnapshot contentOf(std::string text) {
    ClipboardHistoryContentSnapshot content;
    content.id = "e";
    content.content = std::move(text);
    return content;
}

std::optional<Kind> classify(const std::string& text, std::optional<std::string> stored = std::nullopt) {
    auto entry = testing::textEntry("e", text);
    entry.classification = std::move(stored);
    return Rules::formattableClassification(entry, contentOf(text));
}

TEST(FloatingClipboardPreviewContentRulesTest, JsonNeedsAContainerThatParses) {
    EXPECT_TRUE(Rules::isJson("{}"));
    EXPECT_TRUE(Rules::isJson("[1,2]"));
    EXPECT_FALSE(Rules::isJson("42")) << "a bare number does not start with a bracket";
    EXPECT_FALSE(Rules::isJson("{")) << "a lone brace does not parse";
    EXPECT_FALSE(Rules::isJson("[1,2] x"));

    EXPECT_TRUE(Rules::isJsonLines("{\"a\":1}\n\n  \n{\"b\":2}"));
    EXPECT_FALSE(Rules::isJsonLines("{\"a\":1}")) << "one line is JSON, not JSON Lines";
    EXPECT_FALSE(Rules::isJsonLines("{\"a\":1}\nnot json"));

    EXPECT_EQ(classify("  {\"a\":1}\n"), Kind::json);
    EXPECT_EQ(classify("{\"a\":1}\n{\"b\":2}"), Kind::jsonLines);
    EXPECT_EQ(classify("   "), std::nullopt);
}

TEST(FloatingClipboardPreviewContentRulesTest, SqlComesOnlyFromTheStoredClassificationAndImagesNeverFormat) {
    const std::string sql = "select * from t where id = 1";
    EXPECT_EQ(classify(sql), std::nullopt);
    EXPECT_EQ(classify(sql, " SQL "), Kind::sql);
    EXPECT_EQ(classify("{\"a\":1}", "url"), Kind::json) << "a stored non-formattable name falls to detection";

    auto image = testing::imageEntry("i");
    image.classification = "json";
    EXPECT_EQ(Rules::formattableClassification(image, contentOf("{}")), std::nullopt);

    const std::string huge = "[" + std::string(Rules::detectionLimitBytes, ' ') + "]";
    EXPECT_EQ(classify(huge), std::nullopt) << "too long to detect";
}

TEST(FloatingClipboardPreviewContentRulesTest, AutomaticBubblesCutLongTextsAtWholeCodePoints) {
    const std::string full(Rules::automaticFullTextLimitBytes, 'a');
    const auto whole = Rules::displayText(full, Kind::json, Mode::automatic, AppLanguage::english);
    EXPECT_EQ(whole.text, full);
    EXPECT_FALSE(whole.prefersFormatted);
    EXPECT_TRUE(whole.allowsFormatting);

    const std::string longer = full + "b";
    const auto cut = Rules::displayText(longer, std::nullopt, Mode::automatic, AppLanguage::english);
    const std::string header = "Text - 66 KB - Preview only\n\n";
    ASSERT_EQ(cut.text.substr(0, header.size()), header);
    EXPECT_EQ(cut.text.size(), header.size() + Rules::cutLengthBytes + 5);
    EXPECT_EQ(cut.text.substr(cut.text.size() - 5), "\n\n...");
    EXPECT_FALSE(cut.prefersFormatted);
    EXPECT_FALSE(cut.allowsFormatting);
    EXPECT_EQ(Rules::displayText(longer, Kind::json, Mode::automatic, AppLanguage::english).text.substr(0, 7),
              "JSON - ");

    // A three-byte character that would cross the limit is left out whole.
    const std::string text = std::string(16'383, 'x') + "\xE4\xB8\xAD" + "tail";
    EXPECT_EQ(Rules::utf8Prefix(text, 16'384), std::string(16'383, 'x'));
    EXPECT_EQ(Rules::utf8Prefix("\xF0\x9F\x98\x80z", 4), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Rules::utf8Prefix("abc", 0), "");
}

TEST(FloatingClipboardPreviewContentRulesTest, PinnedBubblesFormatUpToTheDetectionLimit) {
    const std::string atLimit(Rules::detectionLimitBytes, 'a');
    const auto within = Rules::displayText(atLimit, Kind::json, Mode::manualPinned, AppLanguage::english);
    EXPECT_EQ(within.text.size(), atLimit.size()) << "a pinned bubble never cuts";
    EXPECT_TRUE(within.prefersFormatted);
    EXPECT_TRUE(within.allowsFormatting);
    const auto beyond =
        Rules::displayText(atLimit + "a", Kind::json, Mode::manualPinned, AppLanguage::english);
    EXPECT_FALSE(beyond.prefersFormatted);
    EXPECT_FALSE(beyond.allowsFormatting);
}

TEST(FloatingClipboardPreviewContentRulesTest, FormattingStateHoldsThePrettyPrintedTextOrNothing) {
    const auto state = Rules::formattingState("{\"a\":[1,2]}", Kind::json);
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->rawText, "{\"a\":[1,2]}");
    EXPECT_NE(state->formattedText, state->rawText);
    EXPECT_NE(state->formattedText.find('\n'), std::string::npos);

    EXPECT_EQ(Rules::formattingState("{\"a\":1}", std::nullopt), std::nullopt);
    EXPECT_EQ(Rules::formattingState("{\"a\":1}", Kind::url), std::nullopt);
    EXPECT_EQ(Rules::formattingState("\xFF\xFE{", Kind::json), std::nullopt) << "a failing formatter";
}

TEST(FloatingClipboardPreviewContentRulesTest, MonospaceForCodeMultiLineAndLongTexts) {
    EXPECT_TRUE(Rules::usesMonospacedFont("x", Kind::sql));
    EXPECT_TRUE(Rules::usesMonospacedFont("short\ntext", std::nullopt));
    EXPECT_TRUE(Rules::usesMonospacedFont(std::string(120, 'a'), std::nullopt));
    EXPECT_FALSE(Rules::usesMonospacedFont(std::string(119, 'a'), std::nullopt));
}

TEST(FloatingClipboardPreviewContentRulesTest, CompactBubbleForShortPlainTextsOfAtMostThreeLines) {
    const auto compact = [](const std::string& text) {
        return Rules::isCompact(testing::textEntry("e", text), contentOf(text));
    };
    EXPECT_TRUE(compact(std::string(119, 'a')));
    EXPECT_FALSE(compact(std::string(120, 'a')));
    EXPECT_TRUE(compact(std::string(118, 'a') + "\xE4\xB8\xAD")) << "characters, not bytes";
    EXPECT_TRUE(compact("one\r\ntwo\n\n\nthree"));
    EXPECT_FALSE(compact("one\ntwo\nthree\nfour"));
    EXPECT_TRUE(compact("one\n   \ntwo\n\t\nthree")) << "blank lines do not count";
    EXPECT_FALSE(compact(" \n\t "));
    EXPECT_FALSE(compact("{\"a\":1}")) << "formattable texts get the large bubble";
    EXPECT_FALSE(Rules::isCompact(testing::imageEntry("i"), contentOf("x")));

    EXPECT_EQ(Rules::compactHeight(10), 64);
    EXPECT_EQ(Rules::compactHeight(40.2), 83);
    EXPECT_EQ(Rules::compactHeight(500), 140);
}

}  // namespace
}  // namespace quorvane
