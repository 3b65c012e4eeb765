#pragma once

// One filter chip: "Type: JSON" with a remove button, grey for a filter the user typed, blue for one the
// parser added; the background darkens while the pointer is over it. Main thread only.

#include <QWidget>
#include <functional>

#include "searchindex/ClipboardSearchFilter.h"

class QToolButton;

namespace quorvane {

class ClipboardSearchFilterChipView : public QWidget {
    Q_OBJECT
public:
    ClipboardSearchFilterChipView(ClipboardSearchFilter filter,
                                  std::function<void(const ClipboardSearchFilter&)> onDelete,
                                  QWidget* parent = nullptr);

    const ClipboardSearchFilter& filter() const { return filter_; }
    QString title() const { return title_; }
    bool isHovered() const { return hovered_; }
    QToolButton* deleteButton() const { return deleteButton_; }
    // The label's natural width.
    int labelWidth() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refreshButton();

    ClipboardSearchFilter filter_;
    std::function<void(const ClipboardSearchFilter&)> onDelete_;
    QString title_;
    bool hovered_ = false;
    QToolButton* deleteButton_;
};

}  // namespace quorvane
