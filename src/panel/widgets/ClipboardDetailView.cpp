#include "panel/widgets/ClipboardDetailView.h"

#include <QBuffer>
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

#include "base/SerialQueue.h"
#include "l10n/L10n.h"
#include "panel/model/ClipboardDetailImageLayout.h"
#include "platform/linux/QtMainQueue.h"
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

// A document built on the worker, or one the view let go of, on its way to be freed there.
struct DetailDocument final : ClipboardDetailDrawnContent {
    explicit DetailDocument(QTextDocument* built) : document(built) {}
    std::unique_ptr<QTextDocument> document;
};

struct DetailPicture final : ClipboardDetailDrawnContent {
    explicit DetailPicture(QImage decoded) : image(std::move(decoded)) {}
    QImage image;
};

ClipboardDetailView::ClipboardDetailView(QWidget* parent)
    : QWidget(parent),
      results_(std::make_unique<QtMainQueue>()),
      model_(std::make_unique<ClipboardDetailViewModel>(
          static_cast<ClipboardDetailDrawing&>(*this), *results_, clock_,
          std::make_unique<SerialQueue>("Quorvane.ClipboardDetailView.Format"),
          std::make_unique<SerialQueue>("Quorvane.ClipboardDetailView.Metadata"))) {
    model_->contentProvider = [this](const std::string& id, auto reply) {
        if (!contentProvider) {
            reply(std::nullopt);
            return;
        }
        contentProvider(id, std::move(reply));
    };
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

ClipboardDetailView::~ClipboardDetailView() = default;

bool ClipboardDetailView::isShowingPlaceholder() const {
    return stack_->currentWidget() == placeholder_;
}

bool ClipboardDetailView::isShowingImage() const {
    return stack_->currentWidget() == imageArea_;
}

QSize ClipboardDetailView::shownImagePixels() const {
    return isShowingImage() ? imageCanvas_->imageSize() : QSize();
}

void ClipboardDetailView::showPlaceholder(const std::string& text) {
    metadataLabel_->setFullText(QString());
    imageCanvas_->clear();
    placeholder_->setText(QString::fromStdString(text));
    stack_->setCurrentWidget(placeholder_);
}

void ClipboardDetailView::showMetadataLine(const std::string& text) {
    metadataLabel_->setFullText(QString::fromStdString(text));
}

void ClipboardDetailView::showMessage(const std::string& text) {
    // Another entry's picture must not come back with the image page.
    imageCanvas_->clear();
    auto* document = new QTextDocument(textView_);
    document->setDocumentLayout(new QPlainTextDocumentLayout(document));
    document->setDefaultFont(textView_->font());
    document->setPlainText(QString::fromStdString(text));
    setDocument(document);
    stack_->setCurrentWidget(textView_);
}

void ClipboardDetailView::showPicture(const ClipboardDetailDrawnContent& picture) {
    imageCanvas_->setImage(static_cast<const DetailPicture&>(picture).image);
    stack_->setCurrentWidget(imageArea_);
    imageCanvas_->relayout();
    emit contentDisplayed();
}

void ClipboardDetailView::showDocument(std::unique_ptr<ClipboardDetailDrawnContent> built,
                                       bool keepPosition) {
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
    QTextDocument* document = static_cast<DetailDocument&>(*built).document.release();
    document->setParent(textView_);
    setDocument(document);
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
    // Freeing a large document takes long: the model's worker does it. Without a thread it may be freed on
    // any; from here on nothing on this thread may use `old`, a cursor on it included.
    old->moveToThread(nullptr);
    model_->freeOnWorker(std::make_unique<DetailDocument>(old));
}

ClipboardDetailDrawing::DocumentBuilder ClipboardDetailView::makeDocumentBuilder() {
    const QFont font = textView_->font();
    const bool dark = UiColors::isDark(palette());
    const QColor foreground = UiColors::label(palette());
    const QColor highlight = UiColors::accent(palette(), 0.28);
    QThread* mainThread = QThread::currentThread();
    return [=](const ClipboardDetailPreparedText& prepared) -> std::unique_ptr<ClipboardDetailDrawnContent> {
        auto built =
            std::make_unique<DetailDocument>(buildDocument(prepared, font, dark, foreground, highlight));
        built->document->moveToThread(mainThread);
        return built;
    };
}

ClipboardDetailDrawing::PictureDecoder ClipboardDetailView::makePictureDecoder() {
    const int widestShown = widestScreenPixels();
    return
        [widestShown](std::span<const std::uint8_t> bytes) -> std::unique_ptr<ClipboardDetailDrawnContent> {
            QImage image = decodeImageNoWiderThan(bytes, widestShown);
            if (image.isNull()) return nullptr;
            return std::make_unique<DetailPicture>(std::move(image));
        };
}

ClipboardDetailDrawing::PixelSizeReader ClipboardDetailView::makePixelSizeReader() {
    return [](std::span<const std::uint8_t> bytes) -> std::optional<ImagePixelSize> {
        QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                  static_cast<qsizetype>(bytes.size()));
        QBuffer buffer(&data);
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        if (!size.isValid()) return std::nullopt;
        return ImagePixelSize{size.width(), size.height()};
    };
}

QString ClipboardDetailView::selectedText() const {
    const QTextCursor cursor = textView_->textCursor();
    if (!cursor.hasSelection()) return {};
    const ClipboardDetailPreparedText* prepared = model_->shownPreparedText();
    if (!prepared) return cursor.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    const std::u16string text = prepared->originalText(static_cast<std::size_t>(cursor.selectionStart()),
                                                       static_cast<std::size_t>(cursor.selectionEnd()));
    return qstring(text);
}

bool ClipboardDetailView::selectAllText() {
    if (stack_->currentWidget() != textView_ || !model_->hasShownEntry()) return false;
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
        if (event) model_->coloursChanged();
    }
    if (event) QWidget::changeEvent(event);
}

void ClipboardDetailView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (imageCanvas_->hasImage()) imageCanvas_->relayout();
}

}  // namespace quorvane
