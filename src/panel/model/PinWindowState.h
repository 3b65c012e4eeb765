#pragma once

// The rules of a pin window, without its widgets: the text as loaded or last saved against the text as
// edited (the window is "dirty" while they differ), what Copy hands to the copy handler, what Save asks the
// save panel, and whether closing must ask first. Image entries are never dirty. A plain value; main thread.

#include <optional>
#include <string>

#include "model/ClipboardContentType.h"
#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"
#include "panel/model/ClipboardSavePanelPresenting.h"
#include "platform/Pasteboard.h"

namespace quorvane {

class PinWindowState {
public:
    PinWindowState(const ClipboardHistoryIndexSnapshot& entry,
                   const ClipboardHistoryContentSnapshot& content);

    ClipboardContentType contentType() const { return contentType_; }
    bool isText() const { return contentType_ == ClipboardContentType::text; }
    const ClipboardHistoryContentSnapshot& content() const { return content_; }
    const std::string& originalText() const { return originalText_; }
    const std::string& currentText() const { return currentText_; }
    bool hasUnsavedChanges() const { return hasUnsavedChanges_; }

    // The editor's text changed (typing, undo, paste).
    void textChanged(std::string text);
    // The current text was written to a file: it becomes the text the window compares against.
    void textSaved();

    // What Copy passes as the text to copy: the edited text of a dirty text entry, else none (the stored
    // content is copied).
    std::optional<std::string> copyOverrideText() const;
    // The save panel for this entry: "PinnedText.txt", or "PinnedImage." with the image's extension ("png"
    // when no format is recognised).
    ClipboardSavePanelRequest saveRequest() const;
    // Images and clean texts close at once; a dirty text asks to save first.
    bool closesWithoutAsking() const { return !isText() || !hasUnsavedChanges_; }

    // The window's own clipboard writer, for windows made without a copy handler: the override text as plain
    // text, else the stored text with its rich forms, or the image. Returns whether the clipboard was
    // replaced; when nothing can be written (no image data, bytes that are no image) it stays as it was.
    static bool writeToPasteboard(Pasteboard& pasteboard, ClipboardContentType contentType,
                                  const ClipboardHistoryContentSnapshot& content,
                                  const std::optional<std::string>& overrideText);

private:
    ClipboardContentType contentType_;
    ClipboardHistoryContentSnapshot content_;
    std::string originalText_;
    std::string currentText_;
    bool hasUnsavedChanges_ = false;
};

}  // namespace quorvane
