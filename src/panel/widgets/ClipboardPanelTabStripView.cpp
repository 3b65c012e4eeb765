#include "panel/widgets/ClipboardPanelTabStripView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

#include "l10n/L10n.h"
#include "ui/UiColors.h"
#include "ui/UiSymbols.h"

namespace quorvane {

ClipboardPanelTabStripView::ClipboardPanelTabStripView(QWidget* parent)
    : QWidget(parent), historyButton_(new QToolButton(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);
    const QString title = QString::fromStdString(L10n::text(L10nKey::panelClipboardHistoryTab));
    historyButton_->setText(title);
    historyButton_->setAccessibleName(title);
    historyButton_->setObjectName(QString::fromUtf8(rawValue(ClipboardPanelTab::clipboardHistory).data()));
    historyButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    historyButton_->setIcon(QIcon(UiSymbols::tinted(UiSymbol::history, QSize(12, 12),
                                                    UiColors::label(palette()), devicePixelRatioF())));
    QFont buttonFont = historyButton_->font();
    buttonFont.setPointSizeF(10);
    buttonFont.setWeight(QFont::DemiBold);
    historyButton_->setFont(buttonFont);
    historyButton_->setFixedHeight(24);
    historyButton_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Every tab has the selected look: there is only one.
    const QColor background = UiColors::label(palette(), 0.14);
    historyButton_->setStyleSheet(
        QStringLiteral("QToolButton { border: none; border-radius: 8px; background: %1; }")
            .arg(background.name(QColor::HexArgb)));
    layout->addWidget(historyButton_);
}

QToolButton* ClipboardPanelTabStripView::button(ClipboardPanelTab) const {
    return historyButton_;
}

void ClipboardPanelTabStripView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 10, 10);
    QColor background = palette().color(QPalette::Window);
    background.setAlphaF(0.15f);
    painter.fillPath(path, background);
}

}  // namespace quorvane
