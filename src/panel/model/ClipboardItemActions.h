#pragma once

// The actions on one history entry that the centred panel runs besides copying and pasting: open a link,
// open the entry with its default application, save it to a file, pin it to a window and recognise the
// text of an image. The panel controller owns one and calls it from the result list's callbacks and its
// keys; what belongs to the controller (hiding the panel, the detail pane's formatted text) comes in as
// callbacks. Every action hides the panel once it has what it needs and before it acts; an action that
// stops earlier leaves the panel as it was and logs why (category "ClipboardPanelController").
//
// Main thread only. Content fetches hold the actions weakly: destroying them silences late answers.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"
#include "panel/model/ClipboardPanelItemActionHandling.h"
#include "panel/model/ClipboardPanelViewModel.h"
#include "panel/model/ClipboardSavePanelPresenting.h"
#include "panel/model/ClipboardWorkspaceHandling.h"
#include "panel/model/PinWindowPresenting.h"
#include "platform/AlertPresenter.h"
#include "platform/DefaultsValue.h"

namespace quorvane {

class ClipboardItemActions final : public ClipboardPanelItemActionHandling {
public:
    static constexpr const char* kLogCategory = "ClipboardPanelController";

    // Everything but the callbacks must outlive the actions.
    struct Dependencies {
        ClipboardPanelViewModel& viewModel;
        ClipboardWorkspaceHandling& workspace;
        ClipboardSavePanelPresenting& savePanelPresenter;
        // Shows the alerts of a failed save and of an entry no application opened.
        AlertPresenter& alertPresenter;
        // Makes the window of a pinned entry (PinWindow::factory() in the widgets).
        PinWindowFactory pinWindowFactory;
        // Opens the text-recognition window on image data (presentOCRWindow in the widgets).
        std::function<void(const Data& imageData)> presentOCRWindow;
        std::function<void()> hidePanel;
        // The text the detail pane shows formatted for this entry, or none when it shows the stored text.
        std::function<std::optional<std::string>(const ClipboardHistoryIndexSnapshot&)> formattedText;
        // Brings the file manager forward after a save revealed the file; may be empty.
        std::function<void()> activateFileManager;
        // The private folder for the files handed to default applications; throws std::system_error when
        // it cannot be had. Empty: privateRuntimeDirectory().
        std::function<std::filesystem::path()> temporaryDirectory;
    };

    explicit ClipboardItemActions(Dependencies dependencies);
    ClipboardItemActions(const ClipboardItemActions&) = delete;
    ClipboardItemActions& operator=(const ClipboardItemActions&) = delete;

    // Opens `link` when it reads as a URL with a scheme; otherwise only logs a warning.
    void openLink(const std::string& link) override;
    // The formatted text when the detail pane shows one, else the stored content.
    void openWithDefaultApp(const ClipboardHistoryIndexSnapshot& entry) override;
    // Writes `text` to "Quorvane_<id>.txt" in the private folder and hands it to its default application;
    // false when the file could not be written. An application that does not take it is reported later.
    bool openTextWithDefaultApp(const std::string& text, const std::string& id);
    bool openContentWithDefaultApp(const ClipboardHistoryIndexSnapshot& entry,
                                   const ClipboardHistoryContentSnapshot& content);

    void saveItem(const ClipboardHistoryIndexSnapshot& entry);
    // Hides the panel and asks where to save; writes there and reveals the file once the user chose.
    void presentSaveDialog(const ClipboardHistoryIndexSnapshot& entry,
                           const ClipboardHistoryContentSnapshot& content);

    void pinItem(const ClipboardHistoryIndexSnapshot& entry);
    void recognizeText(const ClipboardHistoryIndexSnapshot& entry) override;

    void saveToFile(const ClipboardHistoryIndexSnapshot& entry) override { saveItem(entry); }
    void pin(const ClipboardHistoryIndexSnapshot& entry) override { pinItem(entry); }

    // A pin window for the entry whose Copy writes through the view model with capture suspended.
    PinWindowPresenting* makePinWindow(const ClipboardHistoryIndexSnapshot& entry,
                                       const ClipboardHistoryContentSnapshot& content);

private:
    // Fetches the entry's content and calls `then` with it, unless the actions went away first.
    void fetchContent(const std::string& id,
                      std::function<void(std::optional<ClipboardHistoryContentSnapshot>)> then);
    void hidePanel();
    // Hands the written file to its default application; logs `openedLog` and the path when one took it,
    // else warns and tells the user.
    void openWithDefaultApplication(const std::filesystem::path& path, const std::string& openedLog);
    void presentOpenFailedAlert();
    std::filesystem::path temporaryDirectory() const;
    void writeChosenFile(const ClipboardHistoryIndexSnapshot& entry,
                         const ClipboardHistoryContentSnapshot& content,
                         const std::filesystem::path& destination);

    Dependencies dependencies_;
    std::shared_ptr<char> lifetime_ = std::make_shared<char>();
};

}  // namespace quorvane
