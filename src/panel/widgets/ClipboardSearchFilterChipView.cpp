#include "panel/widgets/ClipboardSearchFilterChipView.h"

#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

#include "l10n/L10n.h"
#include "panel/model/ClipboardFilterChipsPresentation.h"
#include "ui/UiColors.h"
#include "ui/UiSymbols.h"

namespace quorvane {
namespace {

QFont chipFont(const QFont& base) {
    QFont font = base;
    font.setPointSizeF(8.5);
    font.setWeight(QFont::Medium);
    return font;
}

}  // namespace

ClipboardSearchFilterChipView::ClipboardSearchFilterChipView(
    ClipboardSearchFilter filter, std::function<void(const ClipboardSearchFilter&)> onDelete, QWidget* parent)
    : QWidget(parent),
      filter_(std::move(filter)),
      onDelete_(std::move(onDelete)),
      title_(QString::fromStdString(filter_.chipTitle())),
      deleteButton_(new QToolButton(this)) {
    setAttribute(Qt::WA_Hover);
    deleteButton_->setAutoRaise(true);
    deleteButton_->setFocusPolicy(Qt::NoFocus);
    deleteButton_->setFixedSize(14, 14);
    deleteButton_->setIconSize(QSize(9, 9));
    deleteButton_->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
    deleteButton_->setAccessibleName(QString::fromStdString(L10n::text(L10nKey::itemActionRemove)));
    deleteButton_->setToolTip(deleteButton_->accessibleName());
    connect(deleteButton_, &QToolButton::clicked, this, [this] {
        if (onDelete_) onDelete_(filter_);
    });
    refreshButton();
}

int ClipboardSearchFilterChipView::labelWidth() const {
    return QFontMetrics(chipFont(font())).horizontalAdvance(title_);
}

QSize ClipboardSearchFilterChipView::sizeHint() const {
    return QSize(labelWidth() + static_cast<int>(ClipboardFilterChipsPresentation::chipExtraWidth),
                 static_cast<int>(ClipboardFilterChipsPresentation::chipHeight));
}

void ClipboardSearchFilterChipView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double alpha = ClipboardFilterChipsPresentation::backgroundAlpha(filter_.isImplicit, hovered_);
    const QColor background =
        filter_.isImplicit ? UiColors::systemBlue(palette(), alpha) : UiColors::label(palette(), alpha);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 4, 4);
    painter.fillPath(path, background);
    painter.setFont(chipFont(font()));
    painter.setPen(filter_.isImplicit ? UiColors::systemBlue(palette()) : UiColors::label(palette()));
    painter.drawText(QRect(6, 0, labelWidth() + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, title_);
}

void ClipboardSearchFilterChipView::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QWidget::enterEvent(event);
}

void ClipboardSearchFilterChipView::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QWidget::leaveEvent(event);
}

void ClipboardSearchFilterChipView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    deleteButton_->move(width() - 4 - deleteButton_->width(), (height() - deleteButton_->height()) / 2);
}

void ClipboardSearchFilterChipView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) refreshButton();
    QWidget::changeEvent(event);
}

void ClipboardSearchFilterChipView::refreshButton() {
    const QColor tint =
        filter_.isImplicit ? UiColors::systemBlue(palette()) : UiColors::secondaryLabel(palette());
    deleteButton_->setIcon(
        QIcon(UiSymbols::tinted(UiSymbol::remove, QSize(9, 9), tint, devicePixelRatioF())));
}

}  // namespace quorvane
