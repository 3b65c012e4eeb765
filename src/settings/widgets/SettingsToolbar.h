#pragma once

// The tab bar of the settings window: a centred row of exclusive buttons, one per page, each 90 px wide.
// Checking another tab (by click, keyboard or an assistive technology) stores it and emits tabSelected; a
// click on the selected tab, and every selection the owner makes, emits nothing. Main thread only.

#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QHBoxLayout;

namespace quorvane {

class SettingsToolbar : public QWidget {
    Q_OBJECT

public:
    static constexpr int tabWidth = 90;
    static constexpr int height = 44;

    explicit SettingsToolbar(const QStringList& tabTitles, QWidget* parent = nullptr);

    const QStringList& tabTitles() const { return tabTitles_; }
    int selectedIndex() const { return selectedIndex_; }
    // Selects the tab without emitting; an index past the tabs only stores the index.
    void setSelectedIndex(int index);
    // Replaces the titles; the selected tab stays selected when it still exists.
    void setTabTitles(const QStringList& tabTitles);
    QButtonGroup* buttonGroup() const { return group_; }

signals:
    void tabSelected(int index);

private:
    void rebuildButtons();

    QStringList tabTitles_;
    int selectedIndex_ = 0;
    QButtonGroup* group_;
    QHBoxLayout* row_;
};

}  // namespace quorvane
