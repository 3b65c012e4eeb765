#include "panel/model/ClipboardItemActions.h"

#include <cctype>
#include <system_error>
#include <utility>

#include "base/AtomicFile.h"
#include "base/Logger.h"
#include "base/PrivateDirectory.h"
#include "l10n/L10n.h"
#include "panel/model/ClipboardErrorAlert.h"
#include "panel/model/ClipboardItemFiles.h"
#include "platform/ImageFormat.h"

namespace quorvane {
namespace {

// A URL needs a scheme ("https:", "mailto:") followed by something, and no white space or control bytes.
bool isValidURL(std::string_view link) {
    const auto colon = link.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == link.size()) return false;
    if (!std::isalpha(static_cast<unsigned char>(link[0]))) return false;
    for (std::size_t at = 1; at < colon; ++at) {
        const auto c = static_cast<unsigned char>(link[at]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
    }
    for (const char c : link) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7f) return false;
    }
    return true;
}

// Links are clipboard text, which stays out of lines above DEBUG: the scheme and host say which site
// was opened without the path and query, where tokens live.
std::string linkForLog(std::string_view link) {
    const auto colon = link.find(':');
    if (colon == std::string_view::npos) return "(" + std::to_string(link.size()) + " bytes)";
    std::string_view rest = link.substr(colon + 1);
    std::string shown(link.substr(0, colon + 1));
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        auto hostEnd = rest.find_first_of("/?#");
        std::string_view host = rest.substr(0, hostEnd);
        // Credentials before the host are the most sensitive part of all.
        if (const auto at = host.rfind('@'); at != std::string_view::npos) host.remove_prefix(at + 1);
        shown += "//";
        shown += host;
    }
    return shown;
}

}  // namespace

ClipboardItemActions::ClipboardItemActions(Dependencies dependencies)
    : dependencies_(std::move(dependencies)) {}

void ClipboardItemActions::hidePanel() {
    if (dependencies_.hidePanel) dependencies_.hidePanel();
}

std::filesystem::path ClipboardItemActions::temporaryDirectory() const {
    return dependencies_.temporaryDirectory ? dependencies_.temporaryDirectory() : privateRuntimeDirectory();
}

void ClipboardItemActions::fetchContent(
    const std::string& id, std::function<void(std::optional<ClipboardHistoryContentSnapshot>)> then) {
    std::weak_ptr<char> alive = lifetime_;
    dependencies_.viewModel.clipboardHistoryManager()->getContentSnapshotById(
        id, [alive, then = std::move(then)](std::optional<ClipboardHistoryContentSnapshot> content) {
            if (alive.expired()) return;
            then(std::move(content));
        });
}

void ClipboardItemActions::openLink(const std::string& link) {
    if (!isValidURL(link)) {
        Logger::warning("Invalid URL: " + linkForLog(link), kLogCategory);
        return;
    }
    hidePanel();
    dependencies_.workspace.open(link);
    Logger::info("Opened link: " + linkForLog(link), kLogCategory);
}

void ClipboardItemActions::openWithDefaultApp(const ClipboardHistoryIndexSnapshot& entry) {
    if (dependencies_.formattedText) {
        if (auto formatted = dependencies_.formattedText(entry)) {
            hidePanel();
            if (!openTextWithDefaultApp(*formatted, entry.id)) {
                Logger::warning("Cannot open formatted text with default app", kLogCategory);
                presentOpenFailedAlert();
            }
            return;
        }
    }
    fetchContent(entry.id, [this, entry](std::optional<ClipboardHistoryContentSnapshot> content) {
        if (!content) {
            Logger::error("Failed to get content for item: " + entry.id, kLogCategory);
            return;
        }
        hidePanel();
        if (!openContentWithDefaultApp(entry, *content)) {
            Logger::warning("Cannot open with default app", kLogCategory);
            presentOpenFailedAlert();
        }
    });
}

bool ClipboardItemActions::openTextWithDefaultApp(const std::string& text, const std::string& id) {
    std::filesystem::path path;
    try {
        path = writeItemTemporaryFile(temporaryDirectory(), id, "txt", text);
    } catch (const std::system_error& error) {
        Logger::error(std::string("Failed to create temp txt file: ") + error.what(), kLogCategory);
        return false;
    }
    openWithDefaultApplication(path, "Opened text with default app: ");
    return true;
}

bool ClipboardItemActions::openContentWithDefaultApp(const ClipboardHistoryIndexSnapshot& entry,
                                                     const ClipboardHistoryContentSnapshot& content) {
    if (entry.contentType == ClipboardContentType::text) {
        return openTextWithDefaultApp(content.content, entry.id);
    }
    if (!content.imageData) {
        Logger::warning("No image data available", kLogCategory);
        return false;
    }
    const auto& data = *content.imageData;
    std::filesystem::path path;
    try {
        path =
            writeItemTemporaryFile(temporaryDirectory(), entry.id, imageFileExtension(data),
                                   std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    } catch (const std::system_error& error) {
        Logger::error(std::string("Failed to create temp image file: ") + error.what(), kLogCategory);
        return false;
    }
    openWithDefaultApplication(path, "Opened image with default app: ");
    return true;
}

void ClipboardItemActions::openWithDefaultApplication(const std::filesystem::path& path,
                                                      const std::string& openedLog) {
    std::weak_ptr<char> alive = lifetime_;
    dependencies_.workspace.openFile(path, [this, alive, path, openedLog](bool opened) {
        if (alive.expired()) return;
        if (opened) {
            Logger::info(openedLog + path.string(), kLogCategory);
            return;
        }
        // The panel is already gone: only an alert can tell the user that nothing opened.
        Logger::warning("Cannot open with default app: no application opened " + path.string(), kLogCategory);
        presentOpenFailedAlert();
    });
}

void ClipboardItemActions::presentOpenFailedAlert() {
    Alert alert;
    alert.style = AlertStyle::warning;
    alert.messageText = L10n::text(L10nKey::openWithDefaultAppFailedTitle);
    alert.informativeText = L10n::text(L10nKey::openWithDefaultAppFailedMessage);
    alert.buttonTitles = {L10n::text(L10nKey::ok)};
    dependencies_.alertPresenter.present(alert, [](std::optional<std::size_t>) {});
}

void ClipboardItemActions::saveItem(const ClipboardHistoryIndexSnapshot& entry) {
    if (dependencies_.formattedText && entry.contentType == ClipboardContentType::text) {
        if (auto formatted = dependencies_.formattedText(entry)) {
            ClipboardHistoryContentSnapshot content;
            content.id = entry.id;
            content.content = std::move(*formatted);
            presentSaveDialog(entry, content);
            return;
        }
    }
    fetchContent(entry.id, [this, entry](std::optional<ClipboardHistoryContentSnapshot> content) {
        if (!content) {
            Logger::error("Failed to get content for item: " + entry.id, kLogCategory);
            return;
        }
        presentSaveDialog(entry, *content);
    });
}

void ClipboardItemActions::presentSaveDialog(const ClipboardHistoryIndexSnapshot& entry,
                                             const ClipboardHistoryContentSnapshot& content) {
    hidePanel();
    ClipboardSavePanelRequest request;
    request.title = L10n::text(L10nKey::saveDialogTitle);
    request.nameFieldLabel = L10n::text(L10nKey::saveDialogNameLabel);
    if (entry.contentType == ClipboardContentType::image) {
        const auto format =
            content.imageData ? ImageFormat::detect(*content.imageData) : std::optional<ImageFormat>();
        request.allowedContentType = ImageFormat::utTypeOf(format);
        request.suggestedName = "ClipboardImage." + std::string(ImageFormat::fileExtensionOf(format));
    } else {
        request.allowedContentType = "text/plain";
        request.suggestedName = "ClipboardText.txt";
    }
    std::weak_ptr<char> alive = lifetime_;
    dependencies_.savePanelPresenter.present(
        request, [this, alive, entry, content](std::optional<std::filesystem::path> destination) {
            if (alive.expired() || !destination) return;
            writeChosenFile(entry, content, *destination);
        });
}

void ClipboardItemActions::writeChosenFile(const ClipboardHistoryIndexSnapshot& entry,
                                           const ClipboardHistoryContentSnapshot& content,
                                           const std::filesystem::path& destination) {
    const bool image = entry.contentType == ClipboardContentType::image;
    if (image && !content.imageData) {
        Logger::warning("No image data available", kLogCategory);
        return;
    }
    try {
        // A file the user chose to keep: the modes of the file it replaces, else those of any new file of
        // theirs.
        if (image) {
            const auto& data = *content.imageData;
            writeUserFileAtomically(
                destination, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
        } else {
            writeUserFileAtomically(destination, content.content);
        }
    } catch (const std::system_error& error) {
        Logger::error(std::string("Failed to save file: ") + error.what(), kLogCategory);
        presentErrorAlert(dependencies_.alertPresenter, error.what());
        return;
    }
    Logger::info((image ? "Saved image to: " : "Saved text to: ") + destination.string(), kLogCategory);
    dependencies_.workspace.activateFileViewerSelecting({destination});
    if (dependencies_.activateFileManager) dependencies_.activateFileManager();
}

void ClipboardItemActions::pinItem(const ClipboardHistoryIndexSnapshot& entry) {
    fetchContent(entry.id, [this, entry](std::optional<ClipboardHistoryContentSnapshot> content) {
        if (!content) {
            Logger::error("Failed to get content for item: " + entry.id, kLogCategory);
            return;
        }
        hidePanel();
        if (PinWindowPresenting* window = makePinWindow(entry, *content)) window->present();
        Logger::info("Pinned item: " + entry.id, kLogCategory);
    });
}

PinWindowPresenting* ClipboardItemActions::makePinWindow(const ClipboardHistoryIndexSnapshot& entry,
                                                         const ClipboardHistoryContentSnapshot& content) {
    if (!dependencies_.pinWindowFactory) return nullptr;
    std::weak_ptr<char> alive = lifetime_;
    ClipboardPanelViewModel* viewModel = &dependencies_.viewModel;
    PinCopyHandler copy = [alive, viewModel, entry, content](std::optional<std::string> overrideText,
                                                             std::function<void(bool)> completion) {
        // The window may outlive the panel's actions; then there is no view model to copy through.
        bool written = false;
        if (!alive.expired()) {
            const auto history = viewModel->clipboardHistoryManager();
            history->runWithCaptureSuspended(
                [&] { written = viewModel->writeToPasteboard(entry, overrideText, content, false); });
            if (written) {
                viewModel->setErrorMessage(std::nullopt);
                history->recordUsage(entry.id);
            } else {
                viewModel->setErrorMessage(std::string(ClipboardPanelViewModel::copyFailedErrorMessage));
            }
        }
        if (completion) completion(written);
    };
    return dependencies_.pinWindowFactory(entry, content, std::move(copy));
}

void ClipboardItemActions::recognizeText(const ClipboardHistoryIndexSnapshot& entry) {
    fetchContent(entry.id, [this, entry](std::optional<ClipboardHistoryContentSnapshot> content) {
        if (!content || !content->imageData) {
            Logger::error("Failed to get image data for OCR: " + entry.id, kLogCategory);
            return;
        }
        hidePanel();
        if (dependencies_.presentOCRWindow) dependencies_.presentOCRWindow(*content->imageData);
        Logger::info("Opened OCR window for item: " + entry.id, kLogCategory);
    });
}

}  // namespace quorvane
