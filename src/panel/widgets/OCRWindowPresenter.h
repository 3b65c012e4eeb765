#pragma once

// Opens a text-recognition window for image data, the way both panels do: a new window of 1000 x 600,
// centred on the primary screen, in front and with the keyboard. Shared by the centred and the floating
// panel (the controllers hold it as their `presentOCRWindow`). Main thread only.

#include <functional>

#include "capture/ClipboardImageTextRecognizing.h"
#include "panel/widgets/OCRWindow.h"
#include "platform/DefaultsValue.h"
#include "platform/MainQueue.h"
#include "platform/Pasteboard.h"

namespace quorvane {

// What each window works with; the references must outlive every window.
struct OCRWindowServices {
    ClipboardImageTextRecognizing& recognizer;
    MainQueue& mainQueue;
    Pasteboard& pasteboard;
};

// Builds, shows and returns the window; it deletes itself when closed.
OCRWindow* presentOCRWindow(const Data& imageData, const OCRWindowServices& services);

// The presenter as the controllers take it.
std::function<void(const Data&)> makeOCRWindowPresenter(OCRWindowServices services);

}  // namespace quorvane
