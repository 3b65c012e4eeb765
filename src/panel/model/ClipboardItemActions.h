#pragma once

// The actions on one history entry that both clipboard panels run besides copying and pasting: open a link,
// open the entry with its default application, save it to a file, pin it to a window and recognise the text
// of an image. The program holds one; each panel passes its ClipboardItemActionOrigin along, which carries
// what differs between the panels (its log category, how it hides, where its formatted text comes from and
// the dialogs of its window). Every action hides the panel once it has what it needs and before it acts; an
// action that stops earlier leaves the panel as it was and logs why.
//
// Main thread only. Content fetches hold the actions and the asking panel weakly: destroying either silences
// late answers.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"
#include "panel/model/ClipboardPanelViewModel.h"
#include "panel/model/ClipboardSavePanelPresenting.h"
#include "panel/model/PinWindowPresenting.h"
#include "platform/AlertPresenter.h"
#include "platform/DefaultsValue.h"
#include "platform/WorkspaceOpener.h"

namespace quorvane {

// The panel an action was asked from.
struct ClipboardItemActionOrigin {
    // Category of the action's log lines.
    std::string logCategory;
    std::function<void()> hidePanel;
    // The text the panel shows formatted for `entry`, or none. `content` is null before it was fetched; a
    // panel that needs it to tell answers none then and is asked again once it is there.
    std::function<std::optional<std::string>(const ClipboardHistoryIndexSnapshot& entry,
                                             const ClipboardHistoryContentSnapshot* content)>
        formattedText;
    // The panel's alerts and save dialog, which belong to its window. Must outlive `alive`.
    AlertPresenter* alertPresenter = nullptr;
    ClipboardSavePanelPresenting* savePanelPresenter = nullptr;
    // Expires when the panel goes.
    std::weak_ptr<char> alive;
};

class ClipboardItemActions final {
public:
    // Everything but the callbacks must outlive the actions.
    struct Dependencies {
        ClipboardPanelViewModel& viewModel;
        WorkspaceOpener& workspace;
        // Makes the window of a pinned entry (PinWindow::factory() in the widgets).
        PinWindowFactory pinWindowFactory;
        // Opens the text-recognition window on image data.
        std::function<void(const Data& imageData)> presentOCRWindow;
        // Brings the file manager forward after a save revealed the file; may be empty.
        std::function<void()> activateFileManager;
        // The private folder for the files handed to default applications; throws std::system_error when
        // it cannot be had. Empty: privateRuntimeDirectory().
        std::function<std::filesystem::path()> temporaryDirectory;
    };

    explicit ClipboardItemActions(Dependencies dependencies);
    ClipboardItemActions(const ClipboardItemActions&) = delete;
    ClipboardItemActions& operator=(const ClipboardItemActions&) = delete;

    // Opens `link` when it reads as a URL with a scheme (otherwise only logs a warning); a link nothing
    // opens is told in an alert.
    void openLink(const ClipboardItemActionOrigin& origin, const std::string& link);
    // The formatted text when the panel shows one, else the stored content.
    void openWithDefaultApp(const ClipboardItemActionOrigin& origin,
                            const ClipboardHistoryIndexSnapshot& entry);
    // Writes `text` to "Quorvane_<id>.txt" in the private folder and hands it to its default application;
    // false when the file could not be written. An application that does not take it is reported later.
    bool openTextWithDefaultApp(const ClipboardItemActionOrigin& origin, const std::string& text,
                                const std::string& id);
    bool openContentWithDefaultApp(const ClipboardItemActionOrigin& origin,
                                   const ClipboardHistoryIndexSnapshot& entry,
                                   const ClipboardHistoryContentSnapshot& content);

    // Hides the panel and asks where to save (the formatted text, when the panel shows one); writes there
    // and reveals the file once the user chose.
    void saveItem(const ClipboardItemActionOrigin& origin, const ClipboardHistoryIndexSnapshot& entry);
    void presentSaveDialog(const ClipboardItemActionOrigin& origin,
                           const ClipboardHistoryIndexSnapshot& entry,
                           const ClipboardHistoryContentSnapshot& content);

    void pinItem(const ClipboardItemActionOrigin& origin, const ClipboardHistoryIndexSnapshot& entry);
    void recognizeText(const ClipboardItemActionOrigin& origin, const ClipboardHistoryIndexSnapshot& entry);

    // A pin window for the entry whose Copy writes through the view model with capture suspended.
    PinWindowPresenting* makePinWindow(const ClipboardHistoryIndexSnapshot& entry,
                                       const ClipboardHistoryContentSnapshot& content);

private:
    // Fetches the entry's content and calls `then` with it, unless the actions or the panel went away
    // first; a missing content is logged and ends there.
    void fetchContent(const ClipboardItemActionOrigin& origin, const std::string& id,
                      std::function<void(const ClipboardHistoryContentSnapshot&)> then);
    // Hands the written file to its default application; logs `openedLog` and the path when one took it,
    // else warns and tells the user.
    void openWithDefaultApplication(const ClipboardItemActionOrigin& origin,
                                    const std::filesystem::path& path, const std::string& openedLog);
    void presentOpenFailedAlert(const ClipboardItemActionOrigin& origin);
    std::filesystem::path temporaryDirectory() const;
    void writeChosenFile(const ClipboardItemActionOrigin& origin, const ClipboardHistoryIndexSnapshot& entry,
                         const ClipboardHistoryContentSnapshot& content,
                         const std::filesystem::path& destination);

    Dependencies dependencies_;
    std::shared_ptr<char> lifetime_ = std::make_shared<char>();
};

}  // namespace quorvane
