#pragma once

// A rounded strip of tab buttons for the panel's tabs; there is one tab, the clipboard history, always
// selected. Main thread only.

#include <QWidget>

#include "panel/model/ClipboardPanelTab.h"

class QToolButton;

namespace quorvane {

class ClipboardPanelTabStripView : public QWidget {
    Q_OBJECT
public:
    explicit ClipboardPanelTabStripView(QWidget* parent = nullptr);

    ClipboardPanelTab selectedTab() const { return ClipboardPanelTab::clipboardHistory; }
    QToolButton* button(ClipboardPanelTab tab) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QToolButton* historyButton_;
};

}  // namespace quorvane
