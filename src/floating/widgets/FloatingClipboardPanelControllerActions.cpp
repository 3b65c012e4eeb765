// The floating panel controller's entry actions of its own: paste back, copy, the actions menu and the end of
// a drag; the keys for open, save and pin, which go to the program's shared actions.

#include "floating/widgets/FloatingClipboardPanelController.h"
#include "panel/widgets/PanelItemActions.h"

namespace quorvane {

void FloatingClipboardPanelController::withContent(
    const ClipboardHistoryIndexSnapshot& entry,
    std::function<void(const ClipboardHistoryContentSnapshot&)> body) {
    std::weak_ptr<char> alive = lifetime_;
    viewModel_.clipboardHistoryManager()->getContentSnapshotById(
        entry.id, [alive, body = std::move(body)](std::optional<ClipboardHistoryContentSnapshot> content) {
            if (alive.expired() || !content) return;
            body(*content);
        });
}

std::optional<std::string> FloatingClipboardPanelController::formattedText(
    const ClipboardHistoryIndexSnapshot& entry, const ClipboardHistoryContentSnapshot& content) const {
    if (!preview_->isFormatted(entry.id)) return std::nullopt;
    const auto classification =
        FloatingClipboardPreviewContentRules::formattableClassification(entry, content);
    const auto state = FloatingClipboardPreviewContentRules::formattingState(content.content, classification);
    if (!state) return std::nullopt;
    return state->formattedText;
}

void FloatingClipboardPanelController::pasteItem(const std::optional<ClipboardHistoryIndexSnapshot>& given,
                                                 bool asPlainText) {
    const auto entry = given ? given : selectedHistoryEntry();
    if (entry) session_.confirm(*entry, asPlainText);
}

void FloatingClipboardPanelController::copyItem(const ClipboardHistoryIndexSnapshot& entry,
                                                bool asPlainText) {
    withContent(entry, [this, entry, asPlainText](const ClipboardHistoryContentSnapshot& content) {
        session_.copy(entry, asPlainText, formattedText(entry, content));
    });
}

void FloatingClipboardPanelController::copySelection() {
    if (const auto text = previewPresenter_->selectedText()) {
        deps_.pasteboard.writeText(*text, std::nullopt, std::nullopt);
        return;
    }
    if (const auto selected = selectedHistoryEntry()) copyItem(*selected, false);
}

void FloatingClipboardPanelController::setItemActions(ClipboardItemActions* itemActions) {
    itemActions_->setActions(itemActions);
}

void FloatingClipboardPanelController::openSelectedItemWithDefaultApp() {
    if (const auto selected = selectedHistoryEntry()) itemActions_->openWithDefaultApp(*selected);
}

void FloatingClipboardPanelController::saveSelectedItem() {
    if (const auto selected = selectedHistoryEntry()) itemActions_->save(*selected);
}

void FloatingClipboardPanelController::pinSelectedItem() {
    if (const auto selected = selectedHistoryEntry()) itemActions_->pin(*selected);
}

void FloatingClipboardPanelController::showActionsMenuForSelectedItem() {
    if (isShowingFilterSuggestions() || !list_->selectedItem()) return;
    preview_->handleContextMenuWillOpen();
    // The fallback point is the panel's centre, in the list's own coordinates.
    QPoint fallback;
    if (auto* window = floatingPanel_->window()) {
        fallback = list_->viewport()->mapFromGlobal(window->frameGeometry().center());
    }
    list_->showContextMenuForSelectedItem(fallback);
}

void FloatingClipboardPanelController::handleDragEnded(const ClipboardHistoryIndexSnapshot& entry,
                                                       bool dropped) {
    session_.dragEnded(entry, dropped);
}

}  // namespace quorvane
