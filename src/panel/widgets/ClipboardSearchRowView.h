#pragma once

// The panel header's search row: a magnifying glass, the search field and the chips of the active filters.
// Removing a chip takes its token out of the field's text and reports the new text as a search, so the
// field, the controller's search text and the chips agree and the next keystroke does not bring the filter
// back. Main thread only.

#include <QWidget>
#include <functional>

#include "platform/UserDefaults.h"
#include "searchindex/ClipboardSearchFilter.h"

class QLabel;

namespace quorvane {

class ClipboardSearchAutoCompleteManager;
class ClipboardSearchFilterChipsContainerView;
class ClipboardTextField;

class ClipboardSearchRowView : public QWidget {
    Q_OBJECT
public:
    // `manager` and `defaults` (the classification settings the query parser reads) must outlive the row.
    ClipboardSearchRowView(const ClipboardSearchAutoCompleteManager& manager, const UserDefaults& defaults,
                           QWidget* parent = nullptr);

    // Every search the user asks for: typing, an accepted ghost, a removed chip.
    std::function<void(const QString& text)> onSearchRequested;

    ClipboardTextField* searchField() const { return field_; }
    ClipboardSearchFilterChipsContainerView* chips() const { return chips_; }
    void setFilters(std::vector<ClipboardSearchFilter> filters);
    // Placeholder and accessible texts in the current language.
    void retranslate();

protected:
    void changeEvent(QEvent* event) override;

private:
    void removeFilter(const ClipboardSearchFilter& filter);
    void refreshIcon();

    const UserDefaults& defaults_;
    QLabel* icon_;
    ClipboardTextField* field_;
    ClipboardSearchFilterChipsContainerView* chips_;
};

}  // namespace quorvane
