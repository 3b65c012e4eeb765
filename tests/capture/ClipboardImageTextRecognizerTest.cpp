#include <gtest/gtest.h>

#include "capture/ClipboardImageTextRecognizer.h"
#include "platform/memory/InMemoryImageTextRecognizer.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "preferences/SettingsAccessors.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

using Kind = ImageTextRecognitionError::Kind;

class ClipboardImageTextRecognizerTest : public ::testing::Test {
protected:
    // Runs one recognition whose engine answers `outcome`; returns the text handed to the caller.
    std::string recognize(ClipboardImageTextRecognizer& recognizer, TextRecognitionOutcome outcome) {
        std::vector<std::string> texts;
        recognizer.recognizeText(Data{1, 2, 3}, [&](std::string text) { texts.push_back(std::move(text)); });
        EXPECT_TRUE(engine.complete(std::move(outcome)));
        EXPECT_EQ(texts.size(), 1u);
        return texts.empty() ? std::string() : texts.front();
    }

    InMemoryImageTextRecognizer engine;
    InMemoryUserDefaults defaults;
    testing::LogCapture log;
};

TEST_F(ClipboardImageTextRecognizerTest, SettingsAreReadForEveryRequestAndDefaultToEnglish) {
    ClipboardImageTextRecognizer recognizer(engine, defaults);
    recognize(recognizer, {});
    defaults.set(SettingsKey::ocrLanguageMode, DefaultsValue(std::string("automatic")));
    recognize(recognizer, {});
    defaults.set(SettingsKey::ocrLanguageMode, DefaultsValue(std::string("specified")));
    defaults.set(SettingsKey::ocrSpecifiedLanguage, DefaultsValue(std::string("ja-JP")));
    recognize(recognizer, {});

    const auto requests = engine.receivedRequests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].languages, std::vector<std::string>{"en-US"});
    EXPECT_FALSE(requests[0].automaticLanguageDetection);
    EXPECT_EQ(requests[0].level, TextRecognitionLevel::accurate);
    EXPECT_EQ(requests[0].imageData, (Data{1, 2, 3}));
    EXPECT_TRUE(requests[1].languages.empty());
    EXPECT_TRUE(requests[1].automaticLanguageDetection);
    EXPECT_EQ(requests[2].languages, std::vector<std::string>{"ja-JP"});
}

TEST_F(ClipboardImageTextRecognizerTest, FixedConfigurationWinsOverTheSettings) {
    defaults.set(SettingsKey::ocrLanguageMode, DefaultsValue(std::string("automatic")));
    ClipboardImageTextRecognizer recognizer(
        engine, defaults,
        ClipboardOCRConfiguration{ClipboardOCRLanguageMode::specified, ClipboardOCRLanguage::korean},
        TextRecognitionLevel::fast);
    recognize(recognizer, {});
    const auto requests = engine.receivedRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].languages, std::vector<std::string>{"ko-KR"});
    EXPECT_FALSE(requests[0].automaticLanguageDetection);
    EXPECT_EQ(requests[0].level, TextRecognitionLevel::fast);
}

TEST_F(ClipboardImageTextRecognizerTest, LinesAreJoinedByLineFeedsInOrder) {
    ClipboardImageTextRecognizer recognizer(engine, defaults);
    EXPECT_EQ(recognize(recognizer, {{"first line", "second line"}, std::nullopt}),
              "first line\nsecond line");
    EXPECT_EQ(recognize(recognizer, {}), "");
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(ClipboardImageTextRecognizerTest, EachKindOfFailureIsLoggedAndGivesTheEmptyText) {
    ClipboardImageTextRecognizer recognizer(engine, defaults);
    EXPECT_EQ(recognize(recognizer, {{"ignored"}, ImageTextRecognitionError{Kind::imageConversion, "bad"}}),
              "");
    EXPECT_TRUE(log.contains("ERROR", "[ClipboardOCR] Failed to convert image data for OCR"));
    EXPECT_EQ(recognize(recognizer, {{}, ImageTextRecognitionError{Kind::request, "no model"}}), "");
    EXPECT_TRUE(log.contains("ERROR", "Failed to perform OCR request: no model"));
    EXPECT_EQ(recognize(recognizer, {{}, ImageTextRecognitionError{Kind::recognition, "engine broke"}}), "");
    EXPECT_TRUE(log.contains("ERROR", "OCR recognition error: engine broke"));

    // A request the engine's stop cancelled is no failure: the empty text, and no line.
    const std::size_t linesBefore = log.lines().size();
    EXPECT_EQ(recognize(recognizer, {{}, ImageTextRecognitionError{Kind::cancelled, "shut down"}}), "");
    EXPECT_EQ(log.lines().size(), linesBefore);
}

}  // namespace
}  // namespace quorvane
