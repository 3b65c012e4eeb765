#include "panel/model/OCRViewModel.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "l10n/L10n.h"

namespace quorvane {

OCRViewModel::OCRViewModel(Data imageData, bool imageDecoded, ClipboardImageTextRecognizing& recognizer,
                           MainQueue& mainQueue, Pasteboard& pasteboard)
    : imageData_(std::move(imageData)),
      imageDecoded_(imageDecoded),
      recognizer_(recognizer),
      mainQueue_(mainQueue),
      pasteboard_(pasteboard) {}

OCRViewModel::~OCRViewModel() = default;

OCRViewModel::PaneWidths OCRViewModel::paneWidths(double availableWidth) {
    const double text = std::max(0.0, std::min(availableWidth * 0.3, 300.0));
    return {availableWidth - text, text};
}

Subscription OCRViewModel::observe(std::function<void()> observer) {
    return observers_.subscribe(std::move(observer));
}

void OCRViewModel::changed() {
    if (notificationPosted_) return;
    notificationPosted_ = true;
    std::weak_ptr<char> alive = lifetime_;
    mainQueue_.post([this, alive] {
        if (alive.expired()) return;
        notificationPosted_ = false;
        observers_.notify();
    });
}

void OCRViewModel::recognize() {
    assert(mainQueue_.isMainThread());
    if (started_) return;
    started_ = true;
    errorMessage_.reset();
    if (!imageDecoded_) {
        errorMessage_ = L10n::text(L10nKey::ocrCannotLoadImage);
        changed();
        return;
    }
    recognizing_ = true;
    changed();
    std::weak_ptr<char> alive = lifetime_;
    MainQueue* mainQueue = &mainQueue_;
    // The recogniser answers on its worker; the answer moves to the main queue before it touches state.
    recognizer_.recognizeText(imageData_, [this, alive, mainQueue](std::string text) {
        mainQueue->post([this, alive, text = std::move(text)]() mutable {
            if (alive.expired()) return;
            recognized(std::move(text));
        });
    });
}

void OCRViewModel::recognized(std::string text) {
    recognizing_ = false;
    result_ = std::move(text);
    if (result_.empty()) errorMessage_ = L10n::text(L10nKey::ocrNoTextRecognized);
    changed();
}

void OCRViewModel::setResult(std::string text) {
    if (text == result_) return;
    result_ = std::move(text);
    changed();
}

bool OCRViewModel::copy() {
    assert(mainQueue_.isMainThread());
    if (!canCopy()) return false;
    if (!pasteboard_.writeText(result_, std::nullopt, std::nullopt)) return false;
    buttonLabel_ = ButtonLabel::copied;
    copiedLabelReset_ = mainQueue_.postAfter(copiedLabelSeconds, [this] {
        buttonLabel_ = ButtonLabel::copy;
        changed();
    });
    changed();
    return true;
}

}  // namespace quorvane
