#include "panel/widgets/ClipboardSearchFilterChipsContainerView.h"

#include <QPointer>

#include "panel/model/ClipboardFilterChipsPresentation.h"
#include "panel/widgets/ClipboardSearchFilterChipView.h"

namespace quorvane {

ClipboardSearchFilterChipsContainerView::ClipboardSearchFilterChipsContainerView(
    std::function<void(const ClipboardSearchFilter&)> onFilterRemoved, QWidget* parent)
    : QWidget(parent), onFilterRemoved_(std::move(onFilterRemoved)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ClipboardSearchFilterChipsContainerView::setFilters(std::vector<ClipboardSearchFilter> filters) {
    filters_ = std::move(filters);
    for (auto* chip : chips_) {
        chip->hide();
        // The chip may be the sender of the removal that rebuilds the row.
        chip->deleteLater();
    }
    chips_.clear();
    QPointer<ClipboardSearchFilterChipsContainerView> self(this);
    for (const auto& filter : filters_) {
        auto* chip = new ClipboardSearchFilterChipView(
            filter,
            [self](const ClipboardSearchFilter& removed) {
                if (self && self->onFilterRemoved_) self->onFilterRemoved_(removed);
            },
            this);
        chip->show();
        chips_.push_back(chip);
    }
    layoutChips();
    updateGeometry();
}

std::vector<double> ClipboardSearchFilterChipsContainerView::labelWidths() const {
    std::vector<double> widths;
    for (const auto* chip : chips_) widths.push_back(chip->labelWidth());
    return widths;
}

QSize ClipboardSearchFilterChipsContainerView::sizeHint() const {
    const auto size = ClipboardFilterChipsPresentation::intrinsicSize(labelWidths());
    return QSize(static_cast<int>(std::ceil(size.width)), size.height ? static_cast<int>(*size.height) : 0);
}

void ClipboardSearchFilterChipsContainerView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutChips();
}

void ClipboardSearchFilterChipsContainerView::layoutChips() {
    const auto frames = ClipboardFilterChipsPresentation::chipFrames(labelWidths());
    const int top =
        std::max(0, (height() - static_cast<int>(ClipboardFilterChipsPresentation::chipHeight)) / 2);
    for (std::size_t i = 0; i < chips_.size(); ++i) {
        const auto& frame = frames[i];
        chips_[i]->setGeometry(static_cast<int>(frame.x), top + static_cast<int>(frame.y),
                               static_cast<int>(std::ceil(frame.width)), static_cast<int>(frame.height));
    }
}

}  // namespace quorvane
