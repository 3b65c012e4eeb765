#include "capture/ClipboardImageTextRecognizer.h"

#include "base/Logger.h"
#include "preferences/SettingsAccessors.h"

namespace quorvane {

namespace {
constexpr const char* logCategory = "ClipboardOCR";
}

TextRecognitionRequest ClipboardImageTextRecognizer::request(Data imageData,
                                                             const ClipboardOCRConfiguration& configuration,
                                                             TextRecognitionLevel level) {
    TextRecognitionRequest request{std::move(imageData), {}, false, level};
    if (configuration.languageMode == ClipboardOCRLanguageMode::automatic) {
        request.automaticLanguageDetection = true;
    } else {
        request.languages.emplace_back(rawValue(configuration.specifiedLanguage));
    }
    return request;
}

std::string ClipboardImageTextRecognizer::text(const TextRecognitionOutcome& outcome) {
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
            case ImageTextRecognitionError::Kind::cancelled:
                // A stop, not a failure: whoever asked keeps the picture for later.
                break;
        }
        return {};
    }
    std::string joined;
    for (std::size_t i = 0; i < outcome.lines.size(); ++i) {
        if (i > 0) joined.push_back('\n');
        joined += outcome.lines[i];
    }
    return joined;
}

void ClipboardImageTextRecognizer::recognizeText(Data imageData,
                                                 std::function<void(std::string)> completion) {
    const ClipboardOCRConfiguration configuration =
        fixedConfiguration_ ? *fixedConfiguration_ : clipboardOCRConfiguration(userDefaults_);
    engine_.recognizeText(
        request(std::move(imageData), configuration, recognitionLevel_),
        [completion = std::move(completion)](TextRecognitionOutcome outcome) { completion(text(outcome)); });
}

}  // namespace quorvane
