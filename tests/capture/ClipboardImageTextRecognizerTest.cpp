#include "capture/ClipboardImageTextRecognizer.h"

#include <gtest/gtest.h>

#include <optional>

#include "capture/SettingsAccessors.h"
#include "platform/memory/InMemoryImageTextRecognizer.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

class ClipboardImageTextRecognizerTest : public ::testing::Test {
protected:
    // Runs one recognition whose engine answers `outcome`; returns what the caller received.
    std::optional<std::string> recognize(const ClipboardImageTextRecognizer& recognizer,
                                         TextRecognitionOutcome outcome) {
        std::optional<std::string> received;
        int calls = 0;
        recognizer.recognizeText(image_, [&](std::string text) {
            ++calls;
            received = std::move(text);
        });
        EXPECT_TRUE(engine_.complete(std::move(outcome)));
        EXPECT_EQ(calls, 1);
        return received;
    }

    const Data image_{0x89, 'P', 'N', 'G'};
    InMemoryImageTextRecognizer engine_;
    InMemoryUserDefaults defaults_;
    testing::LogCapture log_;
};

TEST_F(ClipboardImageTextRecognizerTest, LinesAreJoinedByOneLineFeedInTheEnginesOrder) {
    ClipboardImageTextRecognizer recognizer(engine_, defaults_);
    EXPECT_EQ(recognize(recognizer, {{"first line", "second line", "三"}, std::nullopt}),
              std::optional<std::string>("first line\nsecond line\n三"));
    EXPECT_EQ(recognize(recognizer, {{}, std::nullopt}), std::optional<std::string>(""));
    EXPECT_TRUE(log_.lines().empty());
    ASSERT_EQ(engine_.receivedRequests().size(), 2u);
    EXPECT_EQ(engine_.receivedRequests()[0].imageData, image_);
}

TEST_F(ClipboardImageTextRecognizerTest, EachFailureIsLoggedWithItsOwnLineAndGivesEmptyText) {
    ClipboardImageTextRecognizer recognizer(engine_, defaults_);
    using Kind = ImageTextRecognitionError::Kind;
    // Lines that come with an error are not trusted.
    EXPECT_EQ(recognize(recognizer, {{"partial"}, ImageTextRecognitionError{Kind::imageConversion, "bad"}}), "");
    EXPECT_EQ(recognize(recognizer, {{}, ImageTextRecognitionError{Kind::request, "no chi_tra model"}}), "");
    EXPECT_EQ(recognize(recognizer, {{}, ImageTextRecognitionError{Kind::recognition, "engine stopped"}}), "");
    EXPECT_TRUE(log_.contains("ERROR", "[ClipboardOCR] Failed to convert image data for OCR"));
    EXPECT_TRUE(log_.contains("ERROR", "[ClipboardOCR] Failed to perform OCR request: no chi_tra model"));
    EXPECT_TRUE(log_.contains("ERROR", "[ClipboardOCR] OCR recognition error: engine stopped"));
    EXPECT_EQ(log_.lines().size(), 3u);
}

TEST_F(ClipboardImageTextRecognizerTest, WithoutSettingsEnglishIsSpecifiedAtTheAccurateLevel) {
    ClipboardImageTextRecognizer recognizer(engine_, defaults_);
    recognize(recognizer, {});
    const auto request = engine_.receivedRequests().at(0);
    EXPECT_EQ(request.languages, std::vector<std::string>{"en-US"});
    EXPECT_FALSE(request.automaticLanguageDetection);
    EXPECT_EQ(request.level, TextRecognitionLevel::accurate);
}

TEST_F(ClipboardImageTextRecognizerTest, SettingsAreReadAfreshForEveryRequest) {
    ClipboardImageTextRecognizer recognizer(engine_, defaults_);
    defaults_.set(SettingsKey::ocrSpecifiedLanguage, "ja-JP");
    recognize(recognizer, {});
    defaults_.set(SettingsKey::ocrLanguageMode, "automatic");
    recognize(recognizer, {});
    const auto requests = engine_.receivedRequests();
    EXPECT_EQ(requests.at(0).languages, std::vector<std::string>{"ja-JP"});
    EXPECT_FALSE(requests.at(0).automaticLanguageDetection);
    // Automatic: no language list, the engine detects.
    EXPECT_TRUE(requests.at(1).languages.empty());
    EXPECT_TRUE(requests.at(1).automaticLanguageDetection);
}

TEST_F(ClipboardImageTextRecognizerTest, FixedConfigurationIgnoresTheSettings) {
    defaults_.set(SettingsKey::ocrLanguageMode, "automatic");
    ClipboardImageTextRecognizer recognizer(
        engine_, defaults_,
        ClipboardOCRConfiguration{ClipboardOCRLanguageMode::specified, ClipboardOCRLanguage::traditionalChinese},
        TextRecognitionLevel::fast);
    recognize(recognizer, {});
    const auto request = engine_.receivedRequests().at(0);
    EXPECT_EQ(request.languages, std::vector<std::string>{"zh-Hant"});
    EXPECT_FALSE(request.automaticLanguageDetection);
    EXPECT_EQ(request.level, TextRecognitionLevel::fast);
}

}  // namespace
}  // namespace quorvane
