#include "floating/widgets/FloatingClipboardPreviewView.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>
#include <cmath>

#include "base/WhitespaceTrimming.h"
#include "classification/formatting/SyntaxHighlighting.h"
#include "l10n/L10n.h"
#include "ui/ShownImageDecoding.h"
#include "ui/TransientScrollBars.h"
#include "ui/UiColors.h"

namespace quorvane {

namespace {

using Side = FloatingClipboardPreviewArrowSide;
using Rules = FloatingClipboardPreviewContentRules;

constexpr int kFadeHeight = 28;
constexpr int kArrowHalfHeight = 12;

QFont regularFont() {
    QFont font = QGuiApplication::font();
    font.setPointSizeF(13);
    return font;
}

QFont monospacedFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(12.5);
    return font;
}

// The bubble's fill and strokes: the window colour, lightened a little in light mode; no blur on X11.
struct ChromeColors {
    QColor fill, border, highlight, shadow;
};
ChromeColors chromeColors(const QPalette& palette) {
    const bool dark = UiColors::isDark(palette);
    QColor fill = palette.color(QPalette::Window);
    fill = dark ? fill.lighter(108) : fill.lighter(103);
    return {fill, dark ? QColor(255, 255, 255, int(0.18 * 255)) : QColor(0, 0, 0, int(0.12 * 255)),
            dark ? QColor(255, 255, 255, int(0.08 * 255)) : QColor(255, 255, 255, int(0.2 * 255)),
            dark ? QColor(0, 0, 0, int(0.12 * 255)) : QColor(0, 0, 0, int(0.045 * 255))};
}

class FadeView final : public QWidget {
public:
    explicit FadeView(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QLinearGradient gradient(0, 0, 0, height());
        QColor base = chromeColors(palette()).fill;
        base.setAlphaF(0);
        gradient.setColorAt(0, base);
        base.setAlphaF(0.92);
        gradient.setColorAt(1, base);
        painter.fillRect(rect(), gradient);
    }
};

}  // namespace

FloatingClipboardPreviewTextView::FloatingClipboardPreviewTextView(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFrameShape(QFrame::NoFrame);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(QStringLiteral("background: transparent;"));
    document()->setDocumentMargin(4);
    TransientScrollBars::apply(*this);
    // The search field keeps the keyboard; the bubble is only read and selected with the mouse.
    setFocusPolicy(Qt::NoFocus);
}

std::optional<std::string> FloatingClipboardPreviewTextView::selectedString() const {
    QString selected = textCursor().selectedText();
    if (selected.isEmpty()) return std::nullopt;
    selected.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    selected.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return selected.toStdString();
}

QMenu* FloatingClipboardPreviewTextView::makeContextMenu() {
    auto* menu = new QMenu(this);
    QAction* copy = menu->addAction(QString::fromStdString(L10n::text(L10nKey::editMenuCopy)));
    const auto selected = selectedString();
    copy->setEnabled(selected.has_value());
    connect(copy, &QAction::triggered, this, [this] {
        if (const auto text = selectedString())
            QGuiApplication::clipboard()->setText(QString::fromStdString(*text));
    });
    if (!document()->isEmpty()) {
        QAction* all = menu->addAction(QString::fromStdString(L10n::text(L10nKey::editMenuSelectAll)));
        connect(all, &QAction::triggered, this, [this] { selectAll(); });
    }
    return menu;
}

void FloatingClipboardPreviewTextView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = makeContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

FloatingClipboardPreviewView::FloatingClipboardPreviewView(QWidget* parent)
    : QWidget(parent),
      content_(new QWidget(this)),
      textView_(new FloatingClipboardPreviewTextView(content_)),
      scrollArea_(new QScrollArea(content_)),
      imageLabel_(new QLabel),
      fade_(new FadeView(content_)),
      formatButton_(new QPushButton(content_)) {
    setAttribute(Qt::WA_TranslucentBackground);
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setWidgetResizable(false);
    scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea_->viewport()->setAutoFillBackground(false);
    scrollArea_->setStyleSheet(QStringLiteral("background: transparent;"));
    TransientScrollBars::apply(*scrollArea_);
    imageLabel_->setAlignment(Qt::AlignCenter);
    scrollArea_->setWidget(imageLabel_);
    scrollArea_->hide();
    fade_->hide();

    formatButton_->setFlat(true);
    formatButton_->setFocusPolicy(Qt::NoFocus);
    formatButton_->setCursor(Qt::ArrowCursor);
    QFont buttonFont = formatButton_->font();
    buttonFont.setPointSizeF(11);
    buttonFont.setWeight(QFont::Medium);
    formatButton_->setFont(buttonFont);
    const QString format = QString::fromStdString(L10n::text(L10nKey::itemActionFormat));
    formatButton_->setText(QStringLiteral("Ctrl+F ") + format);
    formatButton_->setToolTip(format + QStringLiteral(" (Ctrl+F)"));
    formatButton_->hide();
    connect(formatButton_, &QPushButton::clicked, this, [this] {
        if (onFormatRequested) onFormatRequested();
    });
    textView_->verticalScrollBar()->installEventFilter(this);
    connect(textView_->verticalScrollBar(), &QScrollBar::rangeChanged, this, [this] { updateFade(); });
    connect(scrollArea_->verticalScrollBar(), &QScrollBar::rangeChanged, this, [this] { updateFade(); });
    resize(420 + insetLeft + insetRight, 280 + insetTop + insetBottom);
}

QRectF FloatingClipboardPreviewView::chromeRect() const {
    return QRectF(rect()).adjusted(insetLeft, insetTop, -insetRight, -insetBottom);
}

QPainterPath FloatingClipboardPreviewView::outline(const QRectF& r, Side side, double arrowY) {
    QPainterPath path;
    if (!(r.width() > 0) || !(r.height() > 0)) return path;
    const double radius = cornerRadius;
    const double a = r.top() + std::min(std::max(arrowY, 32.0), r.height() - radius - kArrowHalfHeight);
    const QRectF body =
        side == Side::leading ? r.adjusted(arrowWidth, 0, 0, 0) : r.adjusted(0, 0, -arrowWidth, 0);
    path.addRoundedRect(body, radius, radius);
    QPainterPath arrow;
    if (side == Side::leading) {
        arrow.moveTo(body.left() + 1, a - kArrowHalfHeight);
        arrow.lineTo(r.left(), a);
        arrow.lineTo(body.left() + 1, a + kArrowHalfHeight);
    } else {
        arrow.moveTo(body.right() - 1, a - kArrowHalfHeight);
        arrow.lineTo(r.right(), a);
        arrow.lineTo(body.right() - 1, a + kArrowHalfHeight);
    }
    arrow.closeSubpath();
    return path.united(arrow).simplified();
}

QRegion FloatingClipboardPreviewView::outlineRegion() const {
    // Filled polygon regions leave out the outline's right and bottom pixel rows; one more keeps the border.
    const QPainterPath shape = outline(chromeRect().adjusted(0, 0, 1, 1), arrowSide_, arrowCenterY_);
    return QRegion(shape.toFillPolygon().toPolygon());
}

void FloatingClipboardPreviewView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const ChromeColors colors = chromeColors(palette());
    const QRectF chrome = chromeRect();
    const QPainterPath shape = outline(chrome, arrowSide_, arrowCenterY_);
    // Two soft shadows below the body, drawn as a few widening translucent outlines.
    for (int i = 1; i <= 4; ++i) {
        QColor shadow = colors.shadow;
        shadow.setAlphaF(colors.shadow.alphaF() * (5 - i) / 4.0);
        painter.setPen(QPen(shadow, 2.0 * i));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(shape.translated(0, 1.5));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(colors.fill);
    painter.drawPath(shape);
    const qreal scale = std::max<qreal>(devicePixelRatioF(), 1);
    painter.setPen(QPen(colors.border, 1 / scale));
    painter.setBrush(Qt::NoBrush);
    const double inset = 0.5 / scale;
    painter.drawPath(
        outline(chrome.adjusted(inset, inset, -inset, -inset), arrowSide_, arrowCenterY_ - inset));
    // The inner highlight along the top edge of the body.
    const double highlightInset = std::max(2 / scale, 1.0);
    const double bodyLeft = chrome.left() + (arrowSide_ == Side::leading ? arrowWidth : 0) + cornerRadius;
    const double bodyRight = chrome.right() - (arrowSide_ == Side::trailing ? arrowWidth : 0) - cornerRadius;
    if (bodyLeft < bodyRight) {
        painter.setPen(QPen(colors.highlight, 1 / scale));
        const double y = chrome.top() + highlightInset;
        painter.drawLine(QPointF(bodyLeft, y), QPointF(bodyRight, y));
    }
}

void FloatingClipboardPreviewView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutContent();
}

void FloatingClipboardPreviewView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        recolorText();
        update();
    }
}

bool FloatingClipboardPreviewView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide) updateFade();
    return QWidget::eventFilter(watched, event);
}

void FloatingClipboardPreviewView::layoutContent() {
    const QRect chrome = chromeRect().toRect();
    const int leading = contentPadding + (arrowSide_ == Side::leading ? arrowWidth : 0);
    const int trailing = contentPadding + (arrowSide_ == Side::trailing ? arrowWidth : 0);
    content_->setGeometry(chrome.adjusted(leading, contentPadding, -trailing, -contentPadding));
    const QSize size = content_->size();
    const int buttonHeight = formatButton_->sizeHint().height();
    const int bottom = formatButton_->isVisibleTo(this) ? buttonHeight + 12 : 0;
    const QRect scroll(0, 0, size.width(), std::max(size.height() - bottom, 1));
    textView_->setGeometry(scroll);
    scrollArea_->setGeometry(scroll);
    fade_->setGeometry(0, scroll.bottom() + 1 - kFadeHeight, size.width(), kFadeHeight);
    const QSize buttonSize = formatButton_->sizeHint() + QSize(12, 0);
    formatButton_->setGeometry(size.width() - 6 - buttonSize.width(), size.height() - 6 - buttonHeight,
                               buttonSize.width(), buttonHeight);
    layoutImage();
    updateFade();
}

void FloatingClipboardPreviewView::apply(const FloatingClipboardPreviewRequest& request) {
    arrowSide_ = request.placement.arrowSide;
    arrowCenterY_ = request.placement.arrowCenterY;
    const auto classification = Rules::formattableClassification(request.item, request.content);
    QImage image;
    if (request.item.contentType == ClipboardContentType::image && request.content.imageData) {
        image = decodeImageNoWiderThan(*request.content.imageData, widestScreenPixels());
    }
    if (!image.isNull()) {
        showImage(image);
    } else {
        showText(request.content.content, classification, request.isFormattingEnabled, request.mode);
    }
    layoutContent();
    update();
}

void FloatingClipboardPreviewView::showImage(const QImage& image) {
    textView_->setTextCursor(QTextCursor(textView_->document()));
    formattingState_.reset();
    isShowingFormattedText_ = false;
    textView_->clear();
    shownPlainText_.clear();
    image_ = image;
    textView_->hide();
    scrollArea_->show();
    updateFormatButton();
    scrollArea_->verticalScrollBar()->setValue(0);
}

void FloatingClipboardPreviewView::layoutImage() {
    if (image_.isNull()) return;
    const int width = std::max(scrollArea_->viewport()->width(), 1);
    const qreal dpr = devicePixelRatioF();
    const double w = image_.width() / image_.devicePixelRatio();
    const double h = image_.height() / image_.devicePixelRatio();
    if (!(w > 0) || !(h > 0)) return;
    // Narrower images at their own size, centred; wider ones scaled down to the bubble's width.
    const double shownWidth = std::min(w, double(width));
    const double shownHeight = std::max(h / w * shownWidth, 1.0);
    QPixmap pixmap = QPixmap::fromImage(
        image_.scaled(QSize(int(std::lround(shownWidth * dpr)), int(std::lround(shownHeight * dpr))),
                      Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(dpr);
    imageLabel_->setPixmap(pixmap);
    imageLabel_->resize(width, std::max(int(std::ceil(shownHeight)), scrollArea_->viewport()->height()));
}

void FloatingClipboardPreviewView::showText(const std::string& text,
                                            std::optional<ClipboardSystemClassification> classification,
                                            bool formattingEnabled, FloatingClipboardPreviewMode mode) {
    image_ = QImage();
    imageLabel_->clear();
    scrollArea_->hide();
    textView_->show();
    const auto display = Rules::displayText(text, classification, mode, AppLanguage::current());
    formattingState_ =
        display.allowsFormatting ? Rules::formattingState(display.text, classification) : std::nullopt;
    if ((formattingEnabled || display.prefersFormatted) && formattingState_) {
        isShowingFormattedText_ = true;
        setHighlightedText(*formattingState_);
    } else {
        isShowingFormattedText_ = false;
        setPlainText(display.text, classification);
    }
    updateFormatButton();
}

void FloatingClipboardPreviewView::setPlainText(const std::string& text,
                                                std::optional<ClipboardSystemClassification> classification) {
    shownPlainText_ = text;
    shownClassification_ = classification;
    textView_->setCurrentFont(Rules::usesMonospacedFont(text, classification) ? monospacedFont()
                                                                              : regularFont());
    recolorText();
}

void FloatingClipboardPreviewView::setHighlightedText(const FloatingClipboardPreviewFormattingState& state) {
    shownPlainText_.clear();
    shownClassification_ = state.classification;
    recolorText();
}

// Writes the shown text into the view in the palette's colours: the highlighter's colours for formatted text.
void FloatingClipboardPreviewView::recolorText() {
    const bool dark = UiColors::isDark(palette());
    const QColor label = UiColors::label(palette());
    auto* document = textView_->document();
    document->clear();
    QTextCursor cursor(document);
    QTextBlockFormat block;
    block.setLineHeight(2, QTextBlockFormat::LineDistanceHeight);
    cursor.setBlockFormat(block);
    QTextCharFormat plain;
    plain.setForeground(label);
    if (isShowingFormattedText_ && formattingState_) {
        plain.setFont(monospacedFont());
        const auto highlighter = SyntaxHighlighting::makeHighlighter(formattingState_->classification);
        if (!highlighter) {
            cursor.insertText(QString::fromStdString(formattingState_->formattedText), plain);
        } else {
            const ColoredText colored = highlighter->highlight(formattingState_->formattedText);
            std::size_t at = 0;
            const auto insert = [&](std::size_t start, std::size_t end, const QTextCharFormat& format) {
                if (end > start) {
                    cursor.insertText(QString::fromUtf8(colored.text.data() + start, qsizetype(end - start)),
                                      format);
                }
            };
            for (const auto& range : colored.ranges) {
                insert(at, range.start, plain);
                QTextCharFormat format = plain;
                format.setForeground(UiColors::syntax(range.color, dark));
                insert(range.start, range.start + range.length, format);
                at = range.start + range.length;
            }
            insert(at, colored.text.size(), plain);
        }
    } else {
        plain.setFont(Rules::usesMonospacedFont(shownPlainText_, shownClassification_) ? monospacedFont()
                                                                                       : regularFont());
        cursor.insertText(QString::fromStdString(shownPlainText_), plain);
    }
    textView_->setTextCursor(QTextCursor(document));
    textView_->verticalScrollBar()->setValue(0);
    updateFade();
}

bool FloatingClipboardPreviewView::setShowsFormattedText(bool formatted) {
    if (!formattingState_ || !textView_->isVisibleTo(this)) {
        updateFormatButton();
        return false;
    }
    isShowingFormattedText_ = formatted;
    if (formatted) {
        setHighlightedText(*formattingState_);
    } else {
        setPlainText(formattingState_->rawText, formattingState_->classification);
    }
    updateFormatButton();
    return true;
}

void FloatingClipboardPreviewView::updateFormatButton() {
    const bool shown = formattingState_ && !isShowingFormattedText_ &&
                       trimmedWhitespaceAndNewlines(formattingState_->rawText) !=
                           trimmedWhitespaceAndNewlines(formattingState_->formattedText);
    const QPalette palette = this->palette();
    formatButton_->setStyleSheet(
        QStringLiteral("QPushButton { border: none; border-radius: 6px; padding: 2px 6px; background: %1; "
                       "color: %2; } QPushButton:hover { background: %3; color: %4; } "
                       "QPushButton:pressed { background: %5; color: %6; }")
            .arg(UiColors::tertiaryLabel(palette, 0.1).name(QColor::HexArgb),
                 UiColors::secondaryLabel(palette).name(QColor::HexArgb),
                 UiColors::tertiaryLabel(palette, 0.14).name(QColor::HexArgb),
                 UiColors::label(palette, 0.9).name(QColor::HexArgb),
                 UiColors::accent(palette, 0.18).name(QColor::HexArgb),
                 UiColors::accent(palette).name(QColor::HexArgb)));
    formatButton_->setVisible(shown);
    layoutContent();
}

void FloatingClipboardPreviewView::updateFade() {
    const QScrollBar* bar =
        textView_->isVisibleTo(this) ? textView_->verticalScrollBar() : scrollArea_->verticalScrollBar();
    const bool overflows =
        (textView_->isVisibleTo(this) || scrollArea_->isVisibleTo(this)) && bar->maximum() > 1;
    fade_->setVisible(overflows);
    fade_->raise();
    formatButton_->raise();
}

}  // namespace quorvane
