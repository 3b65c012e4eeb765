#pragma once

// The preview pane of the centred panel: the selected entry's text with the search terms highlighted (or,
// for JSON, JSON Lines and SQL, its formatted and coloured form), or its picture, and below either a
// metadata line (age, classification, forms and size, use). What to show, and the worker queues that
// prepare it, are ClipboardDetailViewModel's; this widget builds documents and decodes pictures when the
// model asks and draws what it says. Main thread only.

#include <QPointer>
#include <QSize>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"
#include "panel/model/ClipboardDetailDrawing.h"
#include "panel/model/ClipboardDetailLoadState.h"
#include "panel/model/ClipboardDetailViewModel.h"
#include "platform/Clock.h"

class QLabel;
class QPlainTextEdit;
class QScrollArea;
class QStackedWidget;
class QTextDocument;

namespace quorvane {

class ElidedLabel;
class ClipboardDetailImageCanvas;
class QtMainQueue;

class ClipboardDetailView : public QWidget, private ClipboardDetailDrawing {
    Q_OBJECT
public:
    // The size of the entry's text, which the pin window shares.
    static constexpr double textPointSize = 10;

    // Answers with an entry's content (none when it is gone), now or later, on the main thread.
    using ContentProvider = ClipboardDetailViewModel::ContentProvider;

    explicit ClipboardDetailView(QWidget* parent = nullptr);
    ~ClipboardDetailView() override;

    // The owner's source of contents; without one every load fails.
    ContentProvider contentProvider;

    // Shows an entry with the terms of `highlightQuery` highlighted; the same entry again only refreshes the
    // highlight (keeping selection and scroll position) and the age.
    void showItem(const ClipboardHistoryIndexSnapshot& item, const std::string& highlightQuery) {
        model_->showItem(item, highlightQuery);
    }
    // Clears the pane and shows the placeholder; a load still running is dropped.
    void showEmptyState() { model_->showEmptyState(); }
    // Switches between the unformatted and the formatted form of a JSON, JSON Lines or SQL text.
    void formatButtonTapped() { model_->formatButtonTapped(); }
    bool isFormatted() const { return model_->isFormatted(); }
    // The id of the entry on screen; none while the placeholder shows.
    const std::optional<std::string>& currentDisplayedItemId() const {
        return model_->currentDisplayedItemId();
    }
    // The formatted form's text while the formatted form is on screen; none otherwise.
    std::optional<std::string> formattedPlainText() const { return model_->formattedPlainText(); }

    // The selected text as stored (without the breaks added to cut long lines); empty when none.
    QString selectedText() const;
    // Selects the whole text; false when no text is shown.
    bool selectAllText();

    // What is on screen, for tests and the owning panel.
    QPlainTextEdit* textView() const { return textView_; }
    ElidedLabel* metadataLabel() const { return metadataLabel_; }
    QLabel* placeholderLabel() const { return placeholder_; }
    bool isShowingPlaceholder() const;
    bool isShowingImage() const;
    // The pixel size the shown picture was decoded at (empty when none is shown).
    QSize shownImagePixels() const;
    const ClipboardDetailLoadState& loadState() const { return model_->loadState(); }

signals:
    // A text (plain or formatted) or an image was put on screen.
    void contentDisplayed();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showMessage(const std::string& text) override;
    void showDocument(std::unique_ptr<ClipboardDetailDrawnContent> document, bool keepPosition) override;
    void showPicture(const ClipboardDetailDrawnContent& picture) override;
    void showPlaceholder(const std::string& text) override;
    void showMetadataLine(const std::string& text) override;
    DocumentBuilder makeDocumentBuilder() override;
    PictureDecoder makePictureDecoder() override;
    PixelSizeReader makePixelSizeReader() override;

    // Puts `document` (owned by the text view) on screen; the model frees the one it replaces on its worker.
    void setDocument(QTextDocument* document);

    QStackedWidget* stack_ = nullptr;
    QPlainTextEdit* textView_ = nullptr;
    QScrollArea* imageArea_ = nullptr;
    ClipboardDetailImageCanvas* imageCanvas_ = nullptr;
    QLabel* placeholder_ = nullptr;
    ElidedLabel* metadataLabel_ = nullptr;

    SystemClock clock_;
    // The workers' results come back to this thread through it; it outlives the model, whose queues drain
    // into it when the pane goes.
    std::unique_ptr<QtMainQueue> results_;
    std::unique_ptr<ClipboardDetailViewModel> model_;
};

}  // namespace quorvane
