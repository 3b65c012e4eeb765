#pragma once

// Text recognition as capture asks for it: builds each request from a fixed language configuration or, when
// none is given, from the settings read afresh for the request, and turns the engine's lines or error into
// the text (errors logged with category "ClipboardOCR"). Safe from any thread.

#include <optional>

#include "capture/ClipboardImageTextRecognizing.h"
#include "platform/ImageTextRecognizer.h"
#include "platform/UserDefaults.h"
#include "preferences/ClipboardOCRConfiguration.h"

namespace quorvane {

class ClipboardImageTextRecognizer final : public ClipboardImageTextRecognizing {
public:
    // `engine` and `userDefaults` must outlive every request.
    ClipboardImageTextRecognizer(ImageTextRecognizer& engine, const UserDefaults& userDefaults,
                                 std::optional<ClipboardOCRConfiguration> fixedConfiguration = std::nullopt,
                                 TextRecognitionLevel recognitionLevel = TextRecognitionLevel::accurate)
        : engine_(engine),
          userDefaults_(userDefaults),
          fixedConfiguration_(fixedConfiguration),
          recognitionLevel_(recognitionLevel) {}

    void recognizeText(Data imageData, std::function<void(std::string)> completion) override;

    // The request for `imageData` under `configuration`.
    static TextRecognitionRequest request(Data imageData, const ClipboardOCRConfiguration& configuration,
                                          TextRecognitionLevel level);
    // The text of an outcome: its lines joined by "\n", or the empty text after logging its error.
    static std::string text(const TextRecognitionOutcome& outcome);

private:
    ImageTextRecognizer& engine_;
    const UserDefaults& userDefaults_;
    std::optional<ClipboardOCRConfiguration> fixedConfiguration_;
    TextRecognitionLevel recognitionLevel_;
};

}  // namespace quorvane
