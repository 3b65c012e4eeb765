#pragma once

// Recognises the text in captured image bytes, for the image entries' search text and the recognition
// window. Never fails towards its caller: failures are logged and give the empty text. Safe from any thread;
// the completion runs once, on the recogniser's worker, so the caller moves its work where it needs it.

#include <functional>
#include <string>

#include "platform/DefaultsValue.h"

namespace quorvane {

class ClipboardImageTextRecognizing {
public:
    virtual ~ClipboardImageTextRecognizing() = default;

    // Calls `completion` with the recognised lines joined by line feeds, or the empty text.
    virtual void recognizeText(Data imageData, std::function<void(std::string)> completion) = 0;
};

}  // namespace quorvane
