#pragma once

// Recognises the text in image data, so captured images become searchable and the recognition window can
// show their text. Safe from any thread; requests run one at a time on the recogniser's own worker and each
// completion is called exactly once, on that worker.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/DefaultsValue.h"

namespace quorvane {

enum class TextRecognitionLevel { fast, accurate };

struct TextRecognitionRequest {
    Data imageData;  // encoded image (PNG, JPEG, TIFF, ...)
    // Language codes of the recognition setting ("en-US", "zh-Hans", "zh-Hant", "ja-JP", "ko-KR"). Ignored
    // when detection is automatic, which uses every language the recogniser has.
    std::vector<std::string> languages;
    bool automaticLanguageDetection = false;
    TextRecognitionLevel level = TextRecognitionLevel::accurate;
};

// Why a request produced no text. The first three kinds match the failures callers log differently.
struct ImageTextRecognitionError {
    enum class Kind {
        imageConversion,  // the data is no decodable image, or it is too large to decode
        request,          // the engine could not be set up for the request (missing languages, ...)
        recognition,      // the engine failed while recognising
        cancelled,        // the recogniser stopped before the request ran: no failure, nothing to report
    };
    Kind kind;
    std::string description;

    bool operator==(const ImageTextRecognitionError&) const = default;
};

struct TextRecognitionOutcome {
    // The best reading of each recognised line, in reading order; empty when the image holds no text.
    std::vector<std::string> lines;
    std::optional<ImageTextRecognitionError> error;

    bool operator==(const TextRecognitionOutcome&) const = default;
};

class ImageTextRecognizer {
public:
    using Completion = std::function<void(TextRecognitionOutcome)>;

    virtual ~ImageTextRecognizer() = default;

    // Queues `request`; `completion` receives the lines or the error.
    virtual void recognizeText(TextRecognitionRequest request, Completion completion) = 0;
};

}  // namespace quorvane
