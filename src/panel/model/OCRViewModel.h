#pragma once

// The state of one text-recognition window: the image's bytes, the recognised text the user may edit, the
// failure shown instead of it, and the copy button's label, which reads "Copied!" for two seconds after a
// copy. Recognition runs once, on the recogniser's worker; its answer is published on the main queue.
//
// Main thread only. Observers are told on a later main-queue turn. A late recognition answer holds the view
// model weakly, so a window closed first is never touched.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/CallbackList.h"
#include "capture/ClipboardImageTextRecognizing.h"
#include "platform/DefaultsValue.h"
#include "platform/MainQueue.h"
#include "platform/Pasteboard.h"

namespace quorvane {

class OCRViewModel {
public:
    // How long the button reads "Copied!" (and cannot be pressed again).
    static constexpr double copiedLabelSeconds = 2.0;

    enum class ButtonLabel { copy, copied };

    // The window's two panes side by side: the picture takes 70 % of the width, or all but 300 when that
    // is more; the text gets the rest.
    struct PaneWidths {
        double image = 0;
        double text = 0;
    };
    static PaneWidths paneWidths(double availableWidth);

    // The references must outlive the view model. `imageDecoded` says whether the window could read
    // `imageData` as a picture (it decodes it to show it).
    OCRViewModel(Data imageData, bool imageDecoded, ClipboardImageTextRecognizing& recognizer,
                 MainQueue& mainQueue, Pasteboard& pasteboard);
    ~OCRViewModel();
    OCRViewModel(const OCRViewModel&) = delete;
    OCRViewModel& operator=(const OCRViewModel&) = delete;

    const Data& imageData() const { return imageData_; }
    bool hasImage() const { return imageDecoded_; }
    const std::string& result() const { return result_; }
    // The failure in the interface language ("Cannot load image", "No text recognized"), or none.
    const std::optional<std::string>& errorMessage() const { return errorMessage_; }
    bool isRecognizing() const { return recognizing_; }
    ButtonLabel buttonLabel() const { return buttonLabel_; }
    // Copy is offered while there is text and it was not just copied.
    bool canCopy() const { return !result_.empty() && buttonLabel_ == ButtonLabel::copy; }

    // Runs recognition, once: an unreadable image fails at once; otherwise the recogniser's text becomes
    // the result, and an empty one fails with "No text recognized".
    void recognize();
    // The user edited the text.
    void setResult(std::string text);
    // Puts the result on the clipboard as plain text; false when there was nothing to copy or the
    // clipboard refused it (the label stays "Copy" then).
    bool copy();

    // Tells `observer` after every change, on a later main-queue turn.
    [[nodiscard]] Subscription observe(std::function<void()> observer);

private:
    void changed();
    void recognized(std::string text);

    Data imageData_;
    bool imageDecoded_;
    ClipboardImageTextRecognizing& recognizer_;
    MainQueue& mainQueue_;
    Pasteboard& pasteboard_;

    std::string result_;
    std::optional<std::string> errorMessage_;
    bool recognizing_ = false;
    bool started_ = false;
    ButtonLabel buttonLabel_ = ButtonLabel::copy;
    Timer copiedLabelReset_;

    bool notificationPosted_ = false;
    CallbackList<> observers_;
    std::shared_ptr<char> lifetime_ = std::make_shared<char>();
};

}  // namespace quorvane
