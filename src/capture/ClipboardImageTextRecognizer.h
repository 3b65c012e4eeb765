#pragma once

// Text recognition as capture and the recognition window ask for it: the languages and level of each request
// come from a fixed configuration or, when none is given, from the recognition settings read afresh for every
// request; the engine's failures become one ERROR line and an empty text. Cheap to copy; safe from any thread
// while the engine and the settings it refers to live.

#include <optional>

#include "capture/ClipboardImageTextRecognizing.h"
#include "capture/ClipboardOCRConfiguration.h"
#include "platform/ImageTextRecognizer.h"
#include "platform/UserDefaults.h"

namespace quorvane {

class ClipboardImageTextRecognizer final : public ClipboardImageTextRecognizing {
public:
    // Capture passes no fixed configuration and the accurate level.
    ClipboardImageTextRecognizer(ImageTextRecognizer& engine, const UserDefaults& userDefaults,
                                 std::optional<ClipboardOCRConfiguration> fixedConfiguration = std::nullopt,
                                 TextRecognitionLevel recognitionLevel = TextRecognitionLevel::accurate);

    void recognizeText(const Data& imageData, Completion completion) const override;

    // The engine request for `imageData` under `configuration`: one language when specified, none and
    // automatic detection otherwise.
    static TextRecognitionRequest makeRequest(const Data& imageData, const ClipboardOCRConfiguration& configuration,
                                              TextRecognitionLevel level);
    // The engine's answer as text: the lines joined by "\n", or "" after logging the failure.
    static std::string textFromOutcome(const TextRecognitionOutcome& outcome);

    const std::optional<ClipboardOCRConfiguration>& fixedConfiguration() const { return fixedConfiguration_; }
    TextRecognitionLevel recognitionLevel() const { return recognitionLevel_; }

private:
    ImageTextRecognizer* engine_;
    const UserDefaults* userDefaults_;
    std::optional<ClipboardOCRConfiguration> fixedConfiguration_;
    TextRecognitionLevel recognitionLevel_;
};

}  // namespace quorvane
