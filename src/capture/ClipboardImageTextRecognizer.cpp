#include "capture/ClipboardImageTextRecognizer.h"

#include <utility>

#include "capture/SettingsAccessors.h"
#include "core/Logger.h"

namespace quorvane {

namespace {
constexpr const char* logCategory = "ClipboardOCR";
}

ClipboardImageTextRecognizer::ClipboardImageTextRecognizer(ImageTextRecognizer& engine,
                                                           const UserDefaults& userDefaults,
                                                           std::optional<ClipboardOCRConfiguration> fixedConfiguration,
                                                           TextRecognitionLevel recognitionLevel)
    : engine_(&engine),
      userDefaults_(&userDefaults),
      fixedConfiguration_(fixedConfiguration),
      recognitionLevel_(recognitionLevel) {}

TextRecognitionRequest ClipboardImageTextRecognizer::makeRequest(const Data& imageData,
                                                                 const ClipboardOCRConfiguration& configuration,
                                                                 TextRecognitionLevel level) {
    TextRecognitionRequest request;
    request.imageData = imageData;
    request.level = level;
    if (configuration.languageMode == ClipboardOCRLanguageMode::automatic) {
        request.automaticLanguageDetection = true;
    } else {
        request.languages = {std::string(rawValue(configuration.specifiedLanguage))};
    }
    return request;
}

std::string ClipboardImageTextRecognizer::textFromOutcome(const TextRecognitionOutcome& outcome) {
    if (outcome.error) {
        switch (outcome.error->kind) {
            case ImageTextRecognitionError::Kind::imageConversion:
                Logger::error("Failed to convert image data for OCR", logCategory);
                break;
            case ImageTextRecognitionError::Kind::request:
                Logger::error("Failed to perform OCR request: " + outcome.error->description, logCategory);
                break;
            case ImageTextRecognitionError::Kind::recognition:
                Logger::error("OCR recognition error: " + outcome.error->description, logCategory);
                break;
        }
        return {};
    }
    std::string text;
    for (std::size_t i = 0; i < outcome.lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += outcome.lines[i];
    }
    return text;
}

void ClipboardImageTextRecognizer::recognizeText(const Data& imageData, Completion completion) const {
    const ClipboardOCRConfiguration configuration =
        fixedConfiguration_ ? *fixedConfiguration_ : clipboardOCRConfiguration(*userDefaults_);
    engine_->recognizeText(makeRequest(imageData, configuration, recognitionLevel_),
                           [completion = std::move(completion)](TextRecognitionOutcome outcome) {
                               completion(textFromOutcome(outcome));
                           });
}

}  // namespace quorvane
