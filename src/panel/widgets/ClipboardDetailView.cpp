#include "panel/widgets/ClipboardDetailView.h"

#include <QBuffer>
#include <QDateTime>
#include <QEvent>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <QVBoxLayout>
#include <atomic>
#include <iostream>
#include <unordered_map>

#include "base/SerialQueue.h"
#include "base/WhitespaceTrimming.h"
#include "classification/ClipboardSystemClassification.h"
#include "classification/formatting/SyntaxHighlighting.h"
#include "l10n/L10n.h"
#include "panel/model/ClipboardDetailImageLayout.h"
#include "panel/model/ClipboardDetailMetadata.h"
#include "platform/linux/QtJobReceiver.h"
#include "ui/ElidedLabel.h"
#include "ui/ShownImageDecoding.h"
#include "ui/TransientScrollBars.h"
#include "ui/UiColors.h"

namespace quorvane {

// Draws the picture where the layout rule puts it.
class ClipboardDetailImageCanvas : public QWidget {
public:
    explicit ClipboardDetailImageCanvas(QWidget* parent) : QWidget(parent) {}

    void setImage(QImage image) {
        image_ = std::move(image);
        relayout();
    }
    void clear() { image_ = QImage(); }
    bool hasImage() const { return !image_.isNull(); }
    QSize imageSize() const { return image_.size(); }

    void relayout() {
        auto* area = qobject_cast<QScrollArea*>(parentWidget() ? parentWidget()->parentWidget() : nullptr);
        const QSize clip = area ? area->viewport()->size() : size();
        layout_ =
            ClipboardDetailImageLayout::make(clip.width(), clip.height(), image_.width(), image_.height());
        resize(static_cast<int>(layout_.container.width), static_cast<int>(layout_.container.height));
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (image_.isNull()) return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const auto& r = layout_.image;
        painter.drawImage(QRectF(r.x, r.y, r.width, r.height), image_);
    }

private:
    QImage image_;
    ClipboardDetailImageLayout layout_;
};

namespace {

QString qstring(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

Date currentDate() {
    return Date(static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0);
}

constexpr std::size_t kLinesPerBlock = 64;
constexpr std::size_t kBlockCharacters = 1500;

// Builds the document of a prepared text: one fragment per stretch of equal colour and highlight, so a
// formatted 1 MB JSON text costs one pass. Runs on the worker.
QTextDocument* buildDocument(const ClipboardDetailPreparedText& prepared, const QFont& font, bool dark,
                             const QColor& foreground, const QColor& highlight) {
    auto* document = new QTextDocument;
    document->setUndoRedoEnabled(false);
    document->setDefaultFont(font);
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    QTextCharFormat plain;
    plain.setForeground(foreground);
    std::vector<std::size_t> boundaries;
    boundaries.reserve(2 * (prepared.colorRuns.size() + prepared.highlights.size()) + 2);
    boundaries.push_back(0);
    boundaries.push_back(prepared.displayText.size());
    for (const auto& run : prepared.colorRuns) {
        boundaries.push_back(run.span.start);
        boundaries.push_back(run.span.end());
    }
    for (const auto& span : prepared.highlights) {
        boundaries.push_back(span.start);
        boundaries.push_back(span.end());
    }
    std::sort(boundaries.begin(), boundaries.end());
    boundaries.erase(std::unique(boundaries.begin(), boundaries.end()), boundaries.end());

    // Most line breaks become line separators inside a block: the view does work per block when a
    // document is put on screen, and a formatted 1 MB JSON text has a hundred thousand lines.
    std::u16string text = prepared.displayText;
    std::size_t linesInBlock = 0;
    std::size_t blockStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\n') continue;
        if (linesInBlock < kLinesPerBlock && i - blockStart < kBlockCharacters) {
            text[i] = u'\u2028';
            ++linesInBlock;
        } else {
            linesInBlock = 0;
            blockStart = i + 1;
        }
    }

    std::size_t runIndex = 0;
    std::size_t highlightIndex = 0;
    for (std::size_t i = 0; i + 1 < boundaries.size(); ++i) {
        const std::size_t start = boundaries[i];
        const std::size_t end = std::min(boundaries[i + 1], prepared.displayText.size());
        if (start >= end) continue;
        while (runIndex < prepared.colorRuns.size() && prepared.colorRuns[runIndex].span.end() <= start)
            ++runIndex;
        while (highlightIndex < prepared.highlights.size() &&
               prepared.highlights[highlightIndex].end() <= start) {
            ++highlightIndex;
        }
        QTextCharFormat format = plain;
        if (runIndex < prepared.colorRuns.size() && prepared.colorRuns[runIndex].span.start <= start) {
            format.setForeground(UiColors::syntax(prepared.colorRuns[runIndex].color, dark));
        }
        if (highlightIndex < prepared.highlights.size() &&
            prepared.highlights[highlightIndex].start <= start) {
            format.setBackground(highlight);
        }
        cursor.insertText(qstring(std::u16string_view(text).substr(start, end - start)), format);
    }
    cursor.endEditBlock();
    // Giving every block its layout object here leaves the main thread only a pass that clears them.
    document->setDocumentLayout(new QPlainTextDocumentLayout(document));
    for (QTextBlock block = document->firstBlock(); block.isValid(); block = block.next()) block.layout();
    return document;
}

}  // namespace

struct ClipboardDetailView::RenderedText {
    std::uint64_t token = 0;
    std::u16string query;
    std::shared_ptr<const ClipboardDetailPreparedText> prepared;
    std::unique_ptr<QTextDocument> document;
    // Set by a formatting job: its result, or none when it failed.
    bool fromFormatting = false;
    std::uint64_t formattingToken = 0;
    std::shared_ptr<const ColoredText> formatted;
};

ClipboardDetailView::ClipboardDetailView(QWidget* parent)
    : QWidget(parent),
      alive_(std::make_shared<std::atomic<bool>>(true)),
      worker_(std::make_unique<SerialQueue>("Quorvane.ClipboardDetailView.Format")),
      metadataQueue_(std::make_unique<SerialQueue>("Quorvane.ClipboardDetailView.Metadata")) {
    worker_->sync([this] { workerThread_ = QThread::currentThread(); });
    // A child: it outlives the queues, which the destructor drains first.
    results_ = new QtJobReceiver(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 6);
    layout->setSpacing(6);

    stack_ = new QStackedWidget(this);
    textView_ = new QPlainTextEdit(stack_);
    textView_->setReadOnly(true);
    textView_->setFrameShape(QFrame::NoFrame);
    textView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    textView_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    textView_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    textView_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    textView_->viewport()->setAutoFillBackground(false);
    textView_->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
    // A reader announces the field by name before reading the entry's text.
    textView_->setAccessibleName(QString::fromStdString(L10n::text(L10nKey::detailTextAccessibleName)));
    QFont textFont = font();
    textFont.setPointSizeF(textPointSize);
    textView_->setFont(textFont);
    TransientScrollBars::apply(*textView_);

    imageArea_ = new QScrollArea(stack_);
    imageArea_->setFrameShape(QFrame::NoFrame);
    imageArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    imageArea_->setWidgetResizable(false);
    imageArea_->viewport()->setAutoFillBackground(false);
    TransientScrollBars::apply(*imageArea_);
    imageCanvas_ = new ClipboardDetailImageCanvas(imageArea_);
    imageArea_->setWidget(imageCanvas_);

    placeholder_ = new QLabel(stack_);
    placeholder_->setAlignment(Qt::AlignCenter);
    QFont placeholderFont = font();
    placeholderFont.setPointSizeF(11);
    placeholder_->setFont(placeholderFont);

    stack_->addWidget(textView_);
    stack_->addWidget(imageArea_);
    stack_->addWidget(placeholder_);
    layout->addWidget(stack_, 1);

    metadataLabel_ = new ElidedLabel(this);
    metadataLabel_->setAlignment(Qt::AlignCenter);
    metadataLabel_->setFixedHeight(22);
    metadataLabel_->setContentsMargins(4, 0, 4, 0);
    QFont metadataFont = font();
    metadataFont.setPointSizeF(8);
    metadataLabel_->setFont(metadataFont);
    layout->addWidget(metadataLabel_);

    setMinimumHeight(200);
    changeEvent(nullptr);
    showEmptyState();
}

ClipboardDetailView::~ClipboardDetailView() {
    alive_->store(false);
    // The queues finish (quickly, the jobs see alive_ cleared) before the widgets go.
    worker_.reset();
    metadataQueue_.reset();
}

void ClipboardDetailView::showItem(const ClipboardHistoryIndexSnapshot& item,
                                   const std::string& highlightQuery) {
    const std::string query(trimmedWhitespaceAndNewlines(highlightQuery));
    const auto decision = state_.showItem(item, query);
    if (decision.entryChanged) {
        resetFormatting();
        metadataText_.reset();
    }
    labelItem_ = item;
    refreshLabel();
    using Step = ClipboardDetailLoadState::Step;
    switch (decision.step) {
        case Step::refreshLabel:
        case Step::alreadyLoading:
            return;
        case Step::rehighlight:
            if (shown_ && !isShowingImage()) renderText(true);
            return;
        case Step::displayCached:
            display(item, decision.content);
            return;
        case Step::startLoad:
            break;
    }
    shown_.reset();
    prepared_.reset();
    showMessage(QString::fromStdString(L10n::text(L10nKey::detailLoading)));
    const std::uint64_t token = decision.loadToken;
    const auto fail = [this, token, id = item.id] {
        if (state_.loadFinished(token, id, nullptr) == ClipboardDetailLoadState::LoadOutcome::fail) {
            showMessage(QString::fromStdString(L10n::text(L10nKey::detailLoadFailed)));
        }
    };
    if (!contentProvider) {
        fail();
        return;
    }
    QPointer<ClipboardDetailView> self(this);
    contentProvider(item.id, [self, token, item](std::optional<ClipboardHistoryContentSnapshot> content) {
        if (!self) return;
        std::shared_ptr<const ClipboardHistoryContentSnapshot> shared;
        if (content) shared = std::make_shared<const ClipboardHistoryContentSnapshot>(std::move(*content));
        const auto outcome = self->state_.loadFinished(token, item.id, shared);
        if (outcome == ClipboardDetailLoadState::LoadOutcome::display) {
            self->display(item, shared);
        } else if (outcome == ClipboardDetailLoadState::LoadOutcome::fail) {
            self->showMessage(QString::fromStdString(L10n::text(L10nKey::detailLoadFailed)));
        }
    });
}

void ClipboardDetailView::showEmptyState() {
    state_.showEmptyState();
    resetFormatting();
    ++renderToken_;
    shown_.reset();
    prepared_.reset();
    labelItem_.reset();
    metadataText_.reset();
    metadataLabel_->setFullText(QString());
    imageCanvas_->clear();
    placeholder_->setText(QString::fromStdString(L10n::text(L10nKey::panelSelectItemPlaceholder)));
    stack_->setCurrentWidget(placeholder_);
}

bool ClipboardDetailView::isShowingPlaceholder() const {
    return stack_->currentWidget() == placeholder_;
}

bool ClipboardDetailView::isShowingImage() const {
    return stack_->currentWidget() == imageArea_;
}

QSize ClipboardDetailView::shownImagePixels() const {
    return isShowingImage() ? imageCanvas_->imageSize() : QSize();
}

void ClipboardDetailView::resetFormatting() {
    state_.cancelFormatting();
    isFormatted_ = false;
    formattedText_.reset();
}

void ClipboardDetailView::display(const ClipboardHistoryIndexSnapshot& item,
                                  const std::shared_ptr<const ClipboardHistoryContentSnapshot>& content) {
    shown_ = Shown{item, content};
    state_.displayed(item.id);
    if (item.contentType == ClipboardContentType::image && content->imageData &&
        !content->imageData->empty()) {
        resetFormatting();
        const std::uint64_t token = ++renderToken_;
        QPointer<ClipboardDetailView> self(this);
        auto alive = alive_;
        const int widestShown = widestScreenPixels();
        // The bytes stay owned by the shared content while the worker reads them.
        worker_->async([self, alive, results = results_, token, content, widestShown] {
            if (!alive->load()) return;
            QImage image = decodeImageNoWiderThan(*content->imageData, widestShown);
            results->post([self, token, image = std::move(image)] {
                if (!self || token != self->renderToken_ || !self->shown_) return;
                if (image.isNull()) {
                    // A picture that does not decode shows the entry's text instead.
                    self->renderText(false);
                    return;
                }
                self->prepared_.reset();
                self->imageCanvas_->setImage(image);
                self->stack_->setCurrentWidget(self->imageArea_);
                self->imageCanvas_->relayout();
                emit self->contentDisplayed();
            });
        });
    } else {
        renderText(false);
    }
    requestMetadata();
}

void ClipboardDetailView::showMessage(const QString& text) {
    ++renderToken_;
    prepared_.reset();
    auto* document = new QTextDocument(textView_);
    document->setDocumentLayout(new QPlainTextDocumentLayout(document));
    document->setDefaultFont(textView_->font());
    document->setPlainText(text);
    setDocument(document);
    stack_->setCurrentWidget(textView_);
}

void ClipboardDetailView::renderText(bool keepPosition) {
    if (!shown_) return;
    const std::uint64_t token = ++renderToken_;
    const bool isImage = shown_->item.contentType == ClipboardContentType::image;
    auto rendered = std::make_shared<RenderedText>();
    rendered->token = token;
    rendered->query = isImage ? std::u16string() : utf16FromUtf8(state_.highlightQuery());
    const auto content = shown_->content;
    const auto formatted = isFormatted_ ? formattedText_ : nullptr;
    const QFont font = textView_->font();
    const bool dark = UiColors::isDark(palette());
    const QColor foreground = UiColors::label(palette());
    const QColor highlight = UiColors::accent(palette(), 0.28);
    QThread* mainThread = QThread::currentThread();
    QPointer<ClipboardDetailView> self(this);
    auto alive = alive_;
    QtJobReceiver* results = results_;
    worker_->async([=]() mutable {
        if (!alive->load()) return;
        rendered->prepared = std::make_shared<const ClipboardDetailPreparedText>(
            formatted ? ClipboardDetailPreparedText::colored(*formatted, rendered->query)
                      : ClipboardDetailPreparedText::plain(content->content, rendered->query));
        rendered->document.reset(buildDocument(*rendered->prepared, font, dark, foreground, highlight));
        rendered->document->moveToThread(mainThread);
        // Handed over whole: a document the main thread leaves unused must be freed there, not here.
        results->post([self, rendered = std::move(rendered), keepPosition] {
            if (self) self->applyRendered(rendered, keepPosition);
        });
    });
}

void ClipboardDetailView::applyRendered(const std::shared_ptr<RenderedText>& rendered, bool keepPosition) {
    if (rendered->fromFormatting) {
        if (!state_.isCurrentFormatting(rendered->formattingToken)) return;
        if (!rendered->formatted) {
            isFormatted_ = false;
            return;
        }
        formattedText_ = rendered->formatted;
        // The query moved on while formatting ran: colour again with the current one.
        if (rendered->query != utf16FromUtf8(state_.highlightQuery())) {
            renderText(true);
            return;
        }
        renderToken_ = rendered->token;
    }
    if (rendered->token != renderToken_ || !rendered->document) return;

    // Positions, not a cursor: a cursor on the old document would still be in its list when the worker
    // deletes it, and the worker's destructor and ours would change that list at once.
    int oldAnchor = 0;
    int oldPosition = 0;
    {
        const QTextCursor oldCursor = textView_->textCursor();
        oldAnchor = oldCursor.anchor();
        oldPosition = oldCursor.position();
    }
    const int oldScroll = textView_->verticalScrollBar()->value();
    QTextDocument* document = rendered->document.release();
    document->setParent(textView_);
    setDocument(document);
    prepared_ = rendered->prepared;
    stack_->setCurrentWidget(textView_);
    if (keepPosition) {
        const int length = std::max(0, document->characterCount() - 1);
        const int anchor = std::clamp(oldAnchor, 0, length);
        const int position = std::clamp(oldPosition, 0, length);
        QTextCursor cursor(document);
        cursor.setPosition(anchor);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
        textView_->setTextCursor(cursor);
        textView_->verticalScrollBar()->setValue(oldScroll);
    }
    emit contentDisplayed();
}

void ClipboardDetailView::setDocument(QTextDocument* document) {
    QTextDocument* old = textView_->document();
    const bool ownsOld = old && old->parent() == textView_;
    if (ownsOld) old->setParent(nullptr);
    textView_->setDocument(document);
    if (!ownsOld) return;
    // Freeing a large document takes long: the worker does it. From here on nothing on this thread may use
    // `old`, a cursor on it included.
    old->moveToThread(workerThread_);
    worker_->async([old] { delete old; });
}

void ClipboardDetailView::formatButtonTapped() {
    state_.cancelFormatting();
    if (isFormatted_) {
        if (!shown_) return;
        isFormatted_ = false;
        renderText(false);
        return;
    }
    startFormatting();
}

void ClipboardDetailView::startFormatting() {
    if (!shown_ || shown_->item.contentType != ClipboardContentType::text || !shown_->item.classification)
        return;
    const auto content = shown_->content;
    const auto classification = systemClassificationFromCaseInsensitiveRawValue(*shown_->item.classification);
    if (!classification) return;
    std::shared_ptr<const SyntaxHighlighting> highlighter =
        SyntaxHighlighting::makeHighlighter(*classification);
    if (!highlighter) return;
    isFormatted_ = true;
    auto rendered = std::make_shared<RenderedText>();
    rendered->fromFormatting = true;
    rendered->formattingToken = state_.beginFormatting();
    rendered->token = ++renderToken_;
    rendered->query = utf16FromUtf8(state_.highlightQuery());
    const QFont font = textView_->font();
    const bool dark = UiColors::isDark(palette());
    const QColor foreground = UiColors::label(palette());
    const QColor highlight = UiColors::accent(palette(), 0.28);
    QThread* mainThread = QThread::currentThread();
    QPointer<ClipboardDetailView> self(this);
    auto alive = alive_;
    QtJobReceiver* results = results_;
    worker_->async([=]() mutable {
        if (!alive->load()) return;
        try {
            rendered->formatted =
                std::make_shared<const ColoredText>(highlighter->formatAndHighlight(content->content));
        } catch (const std::exception& error) {
            std::cout << "[ClipboardDetailView] Formatting failed: " << error.what() << std::endl;
        }
        if (rendered->formatted) {
            rendered->prepared = std::make_shared<const ClipboardDetailPreparedText>(
                ClipboardDetailPreparedText::colored(*rendered->formatted, rendered->query));
            rendered->document.reset(buildDocument(*rendered->prepared, font, dark, foreground, highlight));
            rendered->document->moveToThread(mainThread);
        }
        results->post([self, rendered = std::move(rendered)] {
            if (self) self->applyRendered(rendered, false);
        });
    });
}

void ClipboardDetailView::requestMetadata() {
    if (!shown_) return;
    const std::uint64_t token = state_.beginMetadata();
    const Shown shown = *shown_;
    const AppLanguage language = AppLanguage::current();
    QPointer<ClipboardDetailView> self(this);
    auto alive = alive_;
    metadataQueue_->async([self, alive, results = results_, token, shown, language] {
        if (!alive->load()) return;
        std::optional<ImagePixelSize> pixels;
        if (shown.item.contentType == ClipboardContentType::image && shown.content->imageData) {
            QByteArray data =
                QByteArray::fromRawData(reinterpret_cast<const char*>(shown.content->imageData->data()),
                                        static_cast<qsizetype>(shown.content->imageData->size()));
            QBuffer buffer(&data);
            QImageReader reader(&buffer);
            const QSize size = reader.size();
            if (size.isValid()) pixels = ImagePixelSize{size.width(), size.height()};
        }
        std::string text =
            ClipboardDetailMetadata::compose(shown.item, *shown.content, pixels, currentDate(), language);
        results->post([self, token, id = shown.item.id, text = std::move(text)] {
            if (!self || !self->state_.isCurrentMetadata(token, id)) return;
            self->metadataText_ = text;
            self->refreshLabel();
        });
    });
}

void ClipboardDetailView::refreshLabel() {
    if (!labelItem_) {
        metadataLabel_->setFullText(QString());
        return;
    }
    metadataLabel_->setFullText(QString::fromStdString(ClipboardDetailMetadata::labelText(
        labelItem_->createdAt, metadataText_, currentDate(), AppLanguage::current())));
}

QString ClipboardDetailView::selectedText() const {
    const QTextCursor cursor = textView_->textCursor();
    if (!cursor.hasSelection()) return {};
    if (!prepared_) return cursor.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    const std::u16string text = prepared_->originalText(static_cast<std::size_t>(cursor.selectionStart()),
                                                        static_cast<std::size_t>(cursor.selectionEnd()));
    return qstring(text);
}

bool ClipboardDetailView::selectAllText() {
    if (stack_->currentWidget() != textView_ || !shown_) return false;
    textView_->selectAll();
    return true;
}

void ClipboardDetailView::changeEvent(QEvent* event) {
    if (!event || event->type() == QEvent::PaletteChange) {
        QPalette textPalette = textView_->palette();
        textPalette.setColor(QPalette::Text, UiColors::label(palette()));
        textView_->setPalette(textPalette);
        QPalette labelPalette = metadataLabel_->palette();
        labelPalette.setColor(QPalette::WindowText, UiColors::tertiaryLabel(palette()));
        metadataLabel_->setPalette(labelPalette);
        placeholder_->setPalette(labelPalette);
        // Colours are baked into the document: draw it again in the new palette.
        if (event && shown_ && stack_->currentWidget() == textView_) renderText(true);
    }
    if (event) QWidget::changeEvent(event);
}

void ClipboardDetailView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (imageCanvas_->hasImage()) imageCanvas_->relayout();
}

}  // namespace quorvane
