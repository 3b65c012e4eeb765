#pragma once

// The preview pane of the centred panel: the selected entry's text with the search terms highlighted (or,
// for JSON, JSON Lines and SQL, its formatted and coloured form), or its picture, and below either a
// metadata line (age, classification, forms and size, use). Folding, formatting, highlighting and building
// the text document run on a worker thread; results carry a token and are dropped once the pane has moved
// on, so a 1 MB entry never holds up the main thread. The bookkeeping lives in ClipboardDetailLoadState.
// Main thread only.

#include <QPointer>
#include <QSize>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "classification/formatting/ColoredText.h"
#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"
#include "panel/model/ClipboardDetailLoadState.h"
#include "panel/model/ClipboardDetailPreparedText.h"

class QLabel;
class QPlainTextEdit;
class QScrollArea;
class QStackedWidget;
class QTextDocument;
class QThread;

namespace quorvane {

class QtJobReceiver;

class ElidedLabel;
class SerialQueue;
class ClipboardDetailImageCanvas;

class ClipboardDetailView : public QWidget {
    Q_OBJECT
public:
    // The size of the entry's text, which the pin window shares.
    static constexpr double textPointSize = 10;

    // Answers with an entry's content (none when it is gone), now or later, on the main thread.
    using ContentProvider = std::function<void(
        const std::string& id, std::function<void(std::optional<ClipboardHistoryContentSnapshot>)> reply)>;

    explicit ClipboardDetailView(QWidget* parent = nullptr);
    ~ClipboardDetailView() override;

    // The owner's source of contents; without one every load fails.
    ContentProvider contentProvider;

    // Shows an entry with the terms of `highlightQuery` highlighted; the same entry again only refreshes the
    // highlight (keeping selection and scroll position) and the age.
    void showItem(const ClipboardHistoryIndexSnapshot& item, const std::string& highlightQuery);
    // Clears the pane and shows the placeholder; a load still running is dropped.
    void showEmptyState();
    // Switches between the unformatted and the formatted form of a JSON, JSON Lines or SQL text.
    void formatButtonTapped();
    bool isFormatted() const { return isFormatted_; }
    // The id of the entry on screen; none while the placeholder shows.
    const std::optional<std::string>& currentDisplayedItemId() const { return state_.displayedItemId(); }
    // The formatted form's text while the formatted form is on screen; none otherwise.
    std::optional<std::string> formattedPlainText() const {
        if (!isFormatted_ || !formattedText_) return std::nullopt;
        return formattedText_->text;
    }

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
    const ClipboardDetailLoadState& loadState() const { return state_; }

signals:
    // A text (plain or formatted) or an image was put on screen.
    void contentDisplayed();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Shown {
        ClipboardHistoryIndexSnapshot item;
        std::shared_ptr<const ClipboardHistoryContentSnapshot> content;
    };
    struct RenderedText;

    void resetFormatting();
    void display(const ClipboardHistoryIndexSnapshot& item,
                 const std::shared_ptr<const ClipboardHistoryContentSnapshot>& content);
    void showMessage(const QString& text);
    // Puts `document` (owned by the text view) on screen; the one it replaces is freed on the worker.
    void setDocument(QTextDocument* document);
    // Prepares the shown text (formatted when available) on the worker and puts it on screen.
    void renderText(bool keepPosition);
    void applyRendered(const std::shared_ptr<RenderedText>& rendered, bool keepPosition);
    void requestMetadata();
    void refreshLabel();
    void startFormatting();

    QStackedWidget* stack_ = nullptr;
    QPlainTextEdit* textView_ = nullptr;
    QScrollArea* imageArea_ = nullptr;
    ClipboardDetailImageCanvas* imageCanvas_ = nullptr;
    QLabel* placeholder_ = nullptr;
    ElidedLabel* metadataLabel_ = nullptr;

    ClipboardDetailLoadState state_;
    std::optional<ClipboardHistoryIndexSnapshot> labelItem_;
    std::optional<Shown> shown_;
    std::optional<std::string> metadataText_;
    bool isFormatted_ = false;
    std::shared_ptr<const ColoredText> formattedText_;
    std::shared_ptr<const ClipboardDetailPreparedText> prepared_;
    std::uint64_t renderToken_ = 0;
    // Cleared when the pane goes, so queued work stops early.
    std::shared_ptr<std::atomic<bool>> alive_;
    std::unique_ptr<SerialQueue> worker_;
    std::unique_ptr<SerialQueue> metadataQueue_;
    // The workers' results come back to this thread through it.
    QtJobReceiver* results_ = nullptr;
    QThread* workerThread_ = nullptr;
};

}  // namespace quorvane
