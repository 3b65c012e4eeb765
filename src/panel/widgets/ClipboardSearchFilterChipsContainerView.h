#pragma once

// The row of filter chips beside the search field, one per filter of the query in order. Chips are made
// again on every setFilters(); removing one calls `onFilterRemoved`. Takes no width without chips, so the
// search field keeps the header. Main thread only.

#include <QWidget>
#include <functional>
#include <vector>

#include "searchindex/ClipboardSearchFilter.h"

namespace quorvane {

class ClipboardSearchFilterChipView;

class ClipboardSearchFilterChipsContainerView : public QWidget {
    Q_OBJECT
public:
    explicit ClipboardSearchFilterChipsContainerView(
        std::function<void(const ClipboardSearchFilter&)> onFilterRemoved, QWidget* parent = nullptr);

    void setFilters(std::vector<ClipboardSearchFilter> filters);
    const std::vector<ClipboardSearchFilter>& filters() const { return filters_; }
    const std::vector<ClipboardSearchFilterChipView*>& chipViews() const { return chips_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutChips();
    std::vector<double> labelWidths() const;

    std::function<void(const ClipboardSearchFilter&)> onFilterRemoved_;
    std::vector<ClipboardSearchFilter> filters_;
    std::vector<ClipboardSearchFilterChipView*> chips_;
};

}  // namespace quorvane
