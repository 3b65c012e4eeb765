#pragma once

// Recognises the text in an image, for capture (which makes image entries searchable by it) and for the
// panels' text-recognition window. Never fails towards the caller: a failure is logged and gives "".
// Safe from any thread; the completion runs on the recogniser's worker, exactly once.

#include <functional>
#include <string>

#include "platform/DefaultsValue.h"

namespace quorvane {

class ClipboardImageTextRecognizing {
public:
    using Completion = std::function<void(std::string text)>;

    virtual ~ClipboardImageTextRecognizing() = default;

    // The recognised lines of `imageData` joined by "\n"; "" when there is none or recognition failed.
    virtual void recognizeText(const Data& imageData, Completion completion) const = 0;
};

}  // namespace quorvane
