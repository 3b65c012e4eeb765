#pragma once

// Which commands the context menu of a result row offers, in order, for an entry and (for text entries) its
// fetched content: Open Link for a text that is one http(s) link, OCR for images, Format for JSON, JSON
// Lines and SQL texts, Copy as Plain Text when the content has rich forms. Pure functions.

#include <optional>
#include <string>
#include <vector>

#include "l10n/L10nKey.h"
#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"

namespace quorvane {

enum class ClipboardContextMenuAction {
    openLink,
    ocr,
    openWithDefaultApp,
    saveToFile,
    pin,
    format,
    copy,
    copyAsPlainText,
    remove,
    separator,
};

struct ClipboardContextMenuItem {
    ClipboardContextMenuAction action = ClipboardContextMenuAction::separator;
    L10nKey title = L10nKey::itemActionCopy;
    // The shortcut as the user presses it ("Ctrl+O"); empty for none.
    std::string shortcut;
    friend bool operator==(const ClipboardContextMenuItem&, const ClipboardContextMenuItem&) = default;
};

class ClipboardContextMenuPresentation {
public:
    ClipboardContextMenuPresentation() = delete;

    static std::vector<ClipboardContextMenuItem> items(
        const ClipboardHistoryIndexSnapshot& item,
        const std::optional<ClipboardHistoryContentSnapshot>& content);
    // The trimmed text when a text entry's content (or its preview when no content came) is one http(s) link.
    static std::optional<std::string> openableLink(
        const ClipboardHistoryIndexSnapshot& item,
        const std::optional<ClipboardHistoryContentSnapshot>& content);
    // A text entry classified as JSON, JSON Lines or SQL.
    static bool isFormattable(const ClipboardHistoryIndexSnapshot& item);
};

}  // namespace quorvane
