// The floating panel controller's entry actions: paste back, copy, open, save, pin, recognise text, the
// actions menu and the end of a drag.

#include <QFileDialog>
#include <QUrl>
#include <system_error>

#include "base/AtomicFile.h"
#include "base/Logger.h"
#include "floating/widgets/FloatingClipboardPanelController.h"
#include "l10n/L10n.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "FloatingClipboardPanelController";

std::string_view bytesOf(const std::vector<std::uint8_t>& data) {
    return {reinterpret_cast<const char*>(data.data()), data.size()};
}

}  // namespace

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

void FloatingClipboardPanelController::openLink(const std::string& text) {
    const QUrl url(QString::fromStdString(text), QUrl::StrictMode);
    // Clipboard text stays out of log lines above DEBUG.
    if (!url.isValid() || url.scheme().isEmpty()) {
        Logger::warning("Invalid URL", kLogCategory);
        Logger::debug("Invalid URL: " + text, kLogCategory);
        return;
    }
    hidePanel();
    deps_.workspace.openURL(url.toString().toStdString());
    Logger::info("Opened link", kLogCategory);
    Logger::debug("Opened link: " + text, kLogCategory);
}

void FloatingClipboardPanelController::writeTemporaryTextFile(const ClipboardHistoryIndexSnapshot& entry,
                                                              const std::string& text) {
    std::filesystem::path path;
    try {
        path = FloatingEntryFiles::writeTemporaryFile(temporaryDirectory(), entry.id, "txt", text);
    } catch (const std::exception& error) {
        Logger::error(std::string("Failed to create temp txt file: ") + error.what(), kLogCategory);
        return;
    }
    deps_.workspace.openFile(path);
}

void FloatingClipboardPanelController::openItemWithDefaultApp(const ClipboardHistoryIndexSnapshot& entry) {
    withContent(entry, [this, entry](const ClipboardHistoryContentSnapshot& content) {
        hidePanel();
        if (const auto formatted = formattedText(entry, content)) {
            writeTemporaryTextFile(entry, *formatted);
            return;
        }
        if (entry.contentType == ClipboardContentType::text) {
            writeTemporaryTextFile(entry, content.content);
            return;
        }
        if (!content.imageData) return;
        std::filesystem::path path;
        try {
            path = FloatingEntryFiles::writeTemporaryFile(
                temporaryDirectory(), entry.id, FloatingEntryFiles::imageExtension(content.imageData),
                bytesOf(*content.imageData));
        } catch (const std::exception& error) {
            Logger::error(std::string("Failed to create temp image file: ") + error.what(), kLogCategory);
            return;
        }
        deps_.workspace.openFile(path);
    });
}

void FloatingClipboardPanelController::openSelectedItemWithDefaultApp() {
    if (const auto selected = selectedHistoryEntry()) openItemWithDefaultApp(*selected);
}

void FloatingClipboardPanelController::saveItemToFile(const ClipboardHistoryIndexSnapshot& entry) {
    withContent(entry, [this, entry](const ClipboardHistoryContentSnapshot& content) {
        const auto formatted = formattedText(entry, content);
        hidePanel();
        const FloatingEntrySaveTarget target = FloatingEntryFiles::saveTarget(entry, content);
        std::weak_ptr<char> alive = lifetime_;
        const auto save = [this, alive, entry, content,
                           formatted](std::optional<std::filesystem::path> path) {
            if (alive.expired() || !path) return;
            try {
                if (entry.contentType == ClipboardContentType::text) {
                    writeUserFileAtomically(*path, formatted ? *formatted : content.content);
                } else if (content.imageData) {
                    writeUserFileAtomically(*path, bytesOf(*content.imageData));
                } else {
                    Logger::warning("No image data available", kLogCategory);
                    return;
                }
            } catch (const std::exception& error) {
                presentErrorAlert(error.what());
                return;
            }
            if (revealInFileManager) revealInFileManager(*path);
        };
        if (chooseSaveLocation) {
            chooseSaveLocation(target, save);
            return;
        }
        auto* dialog = new QFileDialog(nullptr, QString::fromStdString(L10n::text(L10nKey::saveDialogTitle)));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setLabelText(QFileDialog::FileName,
                             QString::fromStdString(L10n::text(L10nKey::saveDialogNameLabel)));
        dialog->setMimeTypeFilters({QString::fromStdString(target.mimeType)});
        dialog->selectFile(QString::fromStdString(target.suggestedName));
        QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                         [save](const QString& file) { save(std::filesystem::path(file.toStdString())); });
        dialog->open();
    });
}

void FloatingClipboardPanelController::saveSelectedItem() {
    if (const auto selected = selectedHistoryEntry()) saveItemToFile(*selected);
}

void FloatingClipboardPanelController::presentErrorAlert(const std::string& description) {
    Alert alert;
    alert.style = AlertStyle::warning;
    alert.messageText = L10n::text(L10nKey::saveFailedTitle);
    alert.informativeText = L10n::text(L10nKey::saveClipboardItemFailed, description);
    alert.buttonTitles = {L10n::text(L10nKey::ok)};
    deps_.alertPresenter.present(alert, [](std::optional<std::size_t>) {});
}

void FloatingClipboardPanelController::pinItem(const ClipboardHistoryIndexSnapshot& entry) {
    withContent(entry, [this, entry](const ClipboardHistoryContentSnapshot& content) {
        hidePanel();
        if (pinWindowFactory) pinWindowFactory(content, entry);
    });
}

void FloatingClipboardPanelController::pinSelectedItem() {
    if (const auto selected = selectedHistoryEntry()) pinItem(*selected);
}

void FloatingClipboardPanelController::recognizeText(const ClipboardHistoryIndexSnapshot& entry) {
    withContent(entry, [this](const ClipboardHistoryContentSnapshot& content) {
        if (!content.imageData) return;
        hidePanel();
        if (presentOCRWindow) presentOCRWindow(*content.imageData);
    });
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
