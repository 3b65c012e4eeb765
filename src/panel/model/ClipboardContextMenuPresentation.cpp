#include "panel/model/ClipboardContextMenuPresentation.h"

#include "base/WhitespaceTrimming.h"
#include "classification/ClipboardSystemClassification.h"
#include "classification/HttpUrl.h"

namespace quorvane {

std::vector<ClipboardContextMenuItem> ClipboardContextMenuPresentation::items(
    const ClipboardHistoryIndexSnapshot& item,
    const std::optional<ClipboardHistoryContentSnapshot>& content) {
    using Action = ClipboardContextMenuAction;
    std::vector<ClipboardContextMenuItem> menu;
    const ClipboardContextMenuItem separator{Action::separator, L10nKey::itemActionCopy, ""};
    if (openableLink(item, content)) {
        menu.push_back({Action::openLink, L10nKey::itemActionOpenLink, ""});
        menu.push_back(separator);
    }
    if (item.contentType == ClipboardContentType::image) {
        menu.push_back({Action::ocr, L10nKey::itemActionOcr, ""});
        menu.push_back(separator);
    }
    menu.push_back({Action::openWithDefaultApp, L10nKey::itemActionOpenWithDefaultApp, "Ctrl+O"});
    menu.push_back({Action::saveToFile, L10nKey::itemActionSaveToFile, "Ctrl+S"});
    menu.push_back({Action::pin, L10nKey::itemActionPinToFloatingWindow, "Ctrl+P"});
    if (isFormattable(item)) menu.push_back({Action::format, L10nKey::itemActionFormat, "Ctrl+F"});
    menu.push_back(separator);
    menu.push_back({Action::copy, L10nKey::itemActionCopy, "Ctrl+C"});
    if (item.contentType == ClipboardContentType::text && content &&
        (content->richTextRTFData || content->richTextHTMLData)) {
        menu.push_back({Action::copyAsPlainText, L10nKey::itemActionCopyAsPlainText, ""});
    }
    menu.push_back(separator);
    menu.push_back({Action::remove, L10nKey::itemActionDelete, "Ctrl+Backspace"});
    return menu;
}

std::optional<std::string> ClipboardContextMenuPresentation::openableLink(
    const ClipboardHistoryIndexSnapshot& item,
    const std::optional<ClipboardHistoryContentSnapshot>& content) {
    if (item.contentType != ClipboardContentType::text) return std::nullopt;
    const std::string trimmed(trimmedWhitespaceAndNewlines(content ? std::string_view(content->content)
                                                                   : std::string_view(item.preview)));
    if (!HttpUrl::parseWholeText(trimmed)) return std::nullopt;
    return trimmed;
}

bool ClipboardContextMenuPresentation::isFormattable(const ClipboardHistoryIndexSnapshot& item) {
    if (item.contentType != ClipboardContentType::text || !item.classification) return false;
    const auto classification = systemClassificationFromCaseInsensitiveRawValue(*item.classification);
    return classification == ClipboardSystemClassification::json ||
           classification == ClipboardSystemClassification::jsonLines ||
           classification == ClipboardSystemClassification::sql;
}

}  // namespace quorvane
