#include "panel/widgets/ClipboardSearchRowView.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

#include "l10n/L10n.h"
#include "panel/model/ClipboardFilterChipsPresentation.h"
#include "panel/widgets/ClipboardSearchFilterChipsContainerView.h"
#include "panel/widgets/ClipboardTextField.h"
#include "ui/UiColors.h"
#include "ui/UiSymbols.h"

namespace quorvane {

ClipboardSearchRowView::ClipboardSearchRowView(const ClipboardSearchAutoCompleteManager& manager,
                                               const UserDefaults& defaults, QWidget* parent)
    : QWidget(parent),
      defaults_(defaults),
      icon_(new QLabel(this)),
      field_(new ClipboardTextField(manager, this)) {
    chips_ = new ClipboardSearchFilterChipsContainerView(
        [this](const ClipboardSearchFilter& filter) { removeFilter(filter); }, this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 0, 8, 0);
    layout->setSpacing(5);
    icon_->setFixedSize(18, 18);
    layout->addWidget(icon_, 0, Qt::AlignVCenter);
    QFont fieldFont = field_->font();
    fieldFont.setPointSizeF(12.5);
    fieldFont.setWeight(QFont::Medium);
    field_->setFont(fieldFont);
    field_->setMinimumWidth(200);
    field_->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; }"));
    layout->addWidget(field_, 1);
    layout->addSpacing(3);
    layout->addWidget(chips_, 0, Qt::AlignVCenter);
    field_->onSearchRequested = [this](const QString& text) {
        if (onSearchRequested) onSearchRequested(text);
    };
    refreshIcon();
    retranslate();
}

void ClipboardSearchRowView::setFilters(std::vector<ClipboardSearchFilter> filters) {
    chips_->setFilters(std::move(filters));
}

void ClipboardSearchRowView::retranslate() {
    field_->retranslate();
    icon_->setAccessibleName(QString::fromStdString(L10n::text(L10nKey::panelSearchImageDescription)));
}

void ClipboardSearchRowView::removeFilter(const ClipboardSearchFilter& filter) {
    const std::string text =
        ClipboardFilterChipsPresentation::searchTextRemoving(filter, field_->text().toStdString(), defaults_);
    const QString newText = QString::fromStdString(text);
    field_->replaceText(newText);
    if (onSearchRequested) onSearchRequested(newText);
}

void ClipboardSearchRowView::refreshIcon() {
    QColor tint = UiColors::label(palette(), 0.45);
    icon_->setPixmap(UiSymbols::tinted(UiSymbol::search, QSize(18, 18), tint, devicePixelRatioF()));
}

void ClipboardSearchRowView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) refreshIcon();
    QWidget::changeEvent(event);
}

}  // namespace quorvane
