#include "panel/model/PinWindowState.h"

#include <utility>

#include "l10n/L10n.h"
#include "platform/ImageFormat.h"

namespace quorvane {

PinWindowState::PinWindowState(const ClipboardHistoryIndexSnapshot& entry,
                               const ClipboardHistoryContentSnapshot& content)
    : contentType_(entry.contentType),
      content_(content),
      originalText_(content.content),
      currentText_(content.content) {}

void PinWindowState::textChanged(std::string text) {
    currentText_ = std::move(text);
    hasUnsavedChanges_ = currentText_ != originalText_;
}

void PinWindowState::textSaved() {
    originalText_ = currentText_;
    hasUnsavedChanges_ = false;
}

std::optional<std::string> PinWindowState::copyOverrideText() const {
    if (isText() && hasUnsavedChanges_) return currentText_;
    return std::nullopt;
}

ClipboardSavePanelRequest PinWindowState::saveRequest() const {
    ClipboardSavePanelRequest request;
    request.title = L10n::text(L10nKey::save);
    request.nameFieldLabel = L10n::text(L10nKey::saveDialogNameLabel);
    if (isText()) {
        request.allowedContentType = "text/plain";
        request.suggestedName = "PinnedText.txt";
        return request;
    }
    const auto format =
        content_.imageData ? ImageFormat::detect(*content_.imageData) : std::optional<ImageFormat>();
    request.allowedContentType = ImageFormat::utTypeOf(format);
    request.suggestedName = "PinnedImage." + std::string(ImageFormat::fileExtensionOf(format));
    return request;
}

bool PinWindowState::writeToPasteboard(Pasteboard& pasteboard, ClipboardContentType contentType,
                                       const ClipboardHistoryContentSnapshot& content,
                                       const std::optional<std::string>& overrideText) {
    // Never cleared ahead of the write: a write that fails must not leave the user with an empty clipboard.
    if (contentType == ClipboardContentType::image) {
        if (!content.imageData) return false;
        const auto format = ImageFormat::detect(*content.imageData);
        return pasteboard.writeImage(*content.imageData, std::string(ImageFormat::utTypeOf(format)));
    }
    if (overrideText) return pasteboard.writeText(*overrideText, std::nullopt, std::nullopt);
    return pasteboard.writeText(content.content, content.richTextRTFData, content.richTextHTMLData);
}

}  // namespace quorvane
