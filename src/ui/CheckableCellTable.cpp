#include "ui/CheckableCellTable.h"

#include <QAccessible>

#include "ui/CheckableTableAccessible.h"

namespace quorvane {

CheckableCellTable::CheckableCellTable(int rows, int columns, QWidget* parent)
    : QTableWidget(rows, columns, parent) {
    CheckableTableAccessible::installFactory();
    // A check changed by any hand is announced, so a screen reader says the new state at once.
    connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!QAccessible::isActive() || !(item->flags() & Qt::ItemIsUserCheckable)) return;
        auto* table = dynamic_cast<CheckableTableAccessible*>(QAccessible::queryAccessibleInterface(this));
        QAccessibleInterface* cell = table ? table->cellAt(item->row(), item->column()) : nullptr;
        if (!cell) return;
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(cell, changed);
        QAccessible::updateAccessibility(&event);
    });
}

bool CheckableCellTable::toggleCheck(const QModelIndex& index) {
    QTableWidgetItem* item = itemFromIndex(index);
    if (!item || !(item->flags() & Qt::ItemIsUserCheckable) || !(item->flags() & Qt::ItemIsEnabled))
        return false;
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    return true;
}

}  // namespace quorvane
