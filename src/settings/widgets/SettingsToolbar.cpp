#include "settings/widgets/SettingsToolbar.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>

namespace quorvane {

SettingsToolbar::SettingsToolbar(const QStringList& tabTitles, QWidget* parent)
    : QWidget(parent), tabTitles_(tabTitles), group_(new QButtonGroup(this)), row_(new QHBoxLayout(this)) {
    setFixedHeight(height);
    group_->setExclusive(true);
    row_->setContentsMargins(0, 8, 0, 8);
    row_->setSpacing(0);
    row_->addStretch(1);
    row_->addStretch(1);
    rebuildButtons();
    // Any way a tab becomes checked counts (a click, the keyboard, an assistive technology's toggle
    // action); the owner's own selections store the index first and so emit nothing.
    connect(group_, &QButtonGroup::idToggled, this, [this](int index, bool checked) {
        if (!checked || index == selectedIndex_) return;
        selectedIndex_ = index;
        emit tabSelected(index);
    });
}

void SettingsToolbar::setSelectedIndex(int index) {
    selectedIndex_ = index;
    if (QAbstractButton* button = group_->button(index)) button->setChecked(true);
}

void SettingsToolbar::setTabTitles(const QStringList& tabTitles) {
    tabTitles_ = tabTitles;
    rebuildButtons();
}

void SettingsToolbar::rebuildButtons() {
    for (QAbstractButton* button : group_->buttons()) {
        group_->removeButton(button);
        delete button;
    }
    for (int index = 0; index < tabTitles_.size(); ++index) {
        auto* button = new QPushButton(tabTitles_[index], this);
        button->setCheckable(true);
        button->setFixedSize(tabWidth, 28);
        button->setFocusPolicy(Qt::TabFocus);
        group_->addButton(button, index);
        row_->insertWidget(1 + index, button);
    }
    if (QAbstractButton* button = group_->button(selectedIndex_)) button->setChecked(true);
}

}  // namespace quorvane
