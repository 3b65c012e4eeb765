#include "panel/widgets/ClipboardFooterTipButton.h"

#include <QPainter>
#include <QPainterPath>

#include "l10n/L10n.h"
#include "ui/UiColors.h"

namespace quorvane {
namespace {

constexpr int kSymbolSize = 12;
constexpr int kGap = 4;

}  // namespace

ClipboardFooterTipButton::ClipboardFooterTipButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    QFont buttonFont = font();
    buttonFont.setPointSizeF(8.5);
    buttonFont.setWeight(QFont::Medium);
    setFont(buttonFont);
    setText(QString::fromStdString(L10n::text(L10nKey::panelCopyAndReturnTip)));
    setAccessibleDescription(QString::fromStdString(L10n::text(L10nKey::panelCopyAndReturnImageDescription)));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::pressed, this, qOverload<>(&QWidget::update));
    connect(this, &QAbstractButton::released, this, qOverload<>(&QWidget::update));
}

void ClipboardFooterTipButton::setSymbol(std::optional<UiSymbol> symbol) {
    symbol_ = symbol;
    updateGeometry();
    update();
}

void ClipboardFooterTipButton::setKeyText(const QString& text) {
    keyText_ = text;
    // The key is in the name now, not the return symbol's description the button started with.
    if (!text.isEmpty()) setAccessibleDescription(QString());
    updateAccessibleName();
    updateGeometry();
    update();
}

void ClipboardFooterTipButton::setText(const QString& text) {
    QAbstractButton::setText(text);
    updateAccessibleName();
}

void ClipboardFooterTipButton::updateAccessibleName() {
    // A name set by the owner (the primary tip's) stays; only the one made here is replaced.
    if (!keyText_.isEmpty()) {
        setAccessibleName(keyText_ + QLatin1Char(' ') + text());
        namedFromTip_ = true;
    } else if (namedFromTip_) {
        setAccessibleName(QString());
        namedFromTip_ = false;
    }
}

void ClipboardFooterTipButton::setTint(std::optional<QColor> tint) {
    tint_ = tint;
    update();
}

QSize ClipboardFooterTipButton::contentSize() const {
    const QFontMetrics metrics(font());
    int width = metrics.horizontalAdvance(text());
    int height = metrics.height();
    if (!keyText_.isEmpty()) width += metrics.horizontalAdvance(keyText_) + kGap;
    if (symbol_) {
        width += kSymbolSize + kGap;
        height = std::max(height, kSymbolSize);
    }
    return QSize(width, height);
}

QSize ClipboardFooterTipButton::sizeHint() const {
    const QSize content = contentSize();
    const auto size = ClipboardFooterTipButtonStyle::intrinsicSize(content.width(), content.height());
    return QSize(static_cast<int>(std::ceil(size.width)), static_cast<int>(std::ceil(size.height)));
}

void ClipboardFooterTipButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto appearance = ClipboardFooterTipButtonStyle::appearance(isDown(), style_.isHovered());
    if (appearance.backgroundAlpha > 0) {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 6, 6);
        painter.fillPath(path, UiColors::label(palette(), appearance.backgroundAlpha));
    }
    QColor content = appearance.secondaryContent ? UiColors::secondaryLabel(palette())
                                                 : UiColors::label(palette(), appearance.contentAlpha);
    if (tint_) content = *tint_;
    const QSize size = contentSize();
    int x = (width() - size.width()) / 2;
    painter.setPen(content);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    if (!keyText_.isEmpty()) {
        const int keyWidth = metrics.horizontalAdvance(keyText_);
        painter.drawText(QRect(x, 0, keyWidth, height()), Qt::AlignVCenter | Qt::AlignLeft, keyText_);
        x += keyWidth + kGap;
    }
    if (symbol_) {
        const int y = static_cast<int>(std::floor((height() - kSymbolSize) / 2.0 + imageVerticalOffset));
        painter.drawPixmap(
            QRect(x, y, kSymbolSize, kSymbolSize),
            UiSymbols::tinted(*symbol_, QSize(kSymbolSize, kSymbolSize), content, devicePixelRatioF()));
        x += kSymbolSize + kGap;
    }
    painter.drawText(QRect(x, 0, width() - x, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
}

void ClipboardFooterTipButton::enterEvent(QEnterEvent* event) {
    if (style_.pointerEntered()) update();
    QAbstractButton::enterEvent(event);
}

void ClipboardFooterTipButton::leaveEvent(QEvent* event) {
    if (style_.pointerExited()) update();
    QAbstractButton::leaveEvent(event);
}

}  // namespace quorvane
