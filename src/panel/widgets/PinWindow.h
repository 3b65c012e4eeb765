#pragma once

// A pinned entry in a small window that stays above the others until the user closes it: Copy and Save
// above an editable plain-text view (text entries) or the image. Edits make the window dirty; closing a
// dirty window asks to save first (Save, Don't Save, Cancel). Copy hands the edited text, when there is
// one, to the copy handler; without a handler the window writes the clipboard itself. Keys: Escape and
// Ctrl+W close through the guard, Ctrl+S saves, Ctrl+C copies (the selection in a text window).
//
// Main thread only. The window deletes itself when closed; dialogs and copy answers hold it weakly.

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "l10n/L10nKey.h"
#include "panel/model/ClipboardSavePanelPresenting.h"
#include "panel/model/PinWindowPresenting.h"
#include "panel/model/PinWindowState.h"
#include "platform/AlertPresenter.h"
#include "platform/Pasteboard.h"

class QPlainTextEdit;
class QPushButton;

namespace quorvane {

// What every pin window works with; the references must outlive the windows.
struct PinWindowServices {
    // Make one window's save dialog and alerts: what they show belongs to `window` and stays above it.
    std::function<std::unique_ptr<ClipboardSavePanelPresenting>(QWidget* window)> makeSavePanelPresenter;
    std::function<std::unique_ptr<AlertPresenter>(QWidget* window)> makeAlertPresenter;
    // The clipboard of windows made without a copy handler.
    Pasteboard& pasteboard;

    // The file dialog and the message boxes of this desktop.
    static PinWindowServices desktop(Pasteboard& pasteboard);
};

class PinWindow : public QWidget, public PinWindowPresenting {
    Q_OBJECT
public:
    static constexpr int defaultWidth = 400;
    static constexpr int defaultHeight = 300;

    // A window for the entry, centred on the primary screen, not yet shown. An empty `copyHandler` makes
    // the window write the clipboard itself.
    static PinWindow* make(const ClipboardHistoryIndexSnapshot& entry,
                           const ClipboardHistoryContentSnapshot& content, PinCopyHandler copyHandler,
                           const PinWindowServices& services);
    // make() as the item actions take it.
    static PinWindowFactory factory(PinWindowServices services);

    void present() override;

    const PinWindowState& state() const { return state_; }
    // The Copy button's action; also the main menu's Copy where no control has a copy of its own.
    Q_INVOKABLE void copy();
    // The Save button's action; `completion` (may be empty) learns whether the file was written.
    void save(std::function<void(bool)> completion = {});

    // For tests.
    QPlainTextEdit* textEditor() const { return editor_; }
    QPushButton* copyButton() const { return copyButton_; }
    QPushButton* saveButton() const { return saveButton_; }
    // The pixels of the decoded picture; invalid for a text or a picture that did not decode.
    QSize shownImagePixels() const;
    // True while the picture is still being decoded.
    bool isDecodingImage() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    PinWindow(const ClipboardHistoryIndexSnapshot& entry, const ClipboardHistoryContentSnapshot& content,
              PinCopyHandler copyHandler, const PinWindowServices& services);
    void saveText(std::function<void(bool)> completion);
    void saveImage(std::function<void(bool)> completion);
    void showAlert(L10nKey message, const std::string& informative);
    void askToSaveBeforeClosing();

    PinWindowState state_;
    PinCopyHandler copyHandler_;
    PinWindowServices services_;
    std::unique_ptr<ClipboardSavePanelPresenting> savePanelPresenter_;
    std::unique_ptr<AlertPresenter> alertPresenter_;
    QPlainTextEdit* editor_ = nullptr;
    QWidget* imageView_ = nullptr;
    QPushButton* copyButton_;
    QPushButton* saveButton_;
    // Set once closing was decided (saved, or Don't Save), so the close passes the guard.
    bool closeConfirmed_ = false;
    bool askingToSave_ = false;
};

}  // namespace quorvane
