#include "ui/CheckableTableCellAccessible.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QWidget>

#include "ui/CheckableCellTable.h"
#include "ui/CheckableTableAccessible.h"

namespace quorvane {

CheckableTableCellAccessible::CheckableTableCellAccessible(CheckableCellTable* view, const QModelIndex& index)
    : view_(view), index_(index) {}

CheckableTableCellAccessible::CheckableTableCellAccessible(CheckableCellTable* view, int column)
    : view_(view), column_(column) {}

bool CheckableTableCellAccessible::isValid() const {
    if (!view_) return false;
    if (isHeader()) return column_ < view_->model()->columnCount();
    return index_.isValid();
}

QWindow* CheckableTableCellAccessible::window() const {
    return view_ ? view_->window()->windowHandle() : nullptr;
}

QAccessibleInterface* CheckableTableCellAccessible::parent() const {
    return view_ ? QAccessible::queryAccessibleInterface(view_.data()) : nullptr;
}

QAccessibleInterface* CheckableTableCellAccessible::table() const {
    return parent();
}

QString CheckableTableCellAccessible::text(QAccessible::Text type) const {
    if (!isValid()) return {};
    if (isHeader()) {
        return type == QAccessible::Name ? view_->model()->headerData(column_, Qt::Horizontal).toString()
                                         : QString();
    }
    switch (type) {
        case QAccessible::Name: {
            // A cell that shows only a check box names itself through its accessible text.
            const QString name = index_.data(Qt::AccessibleTextRole).toString();
            return name.isEmpty() ? index_.data(Qt::DisplayRole).toString() : name;
        }
        case QAccessible::Description:
            return index_.data(Qt::AccessibleDescriptionRole).toString();
        default:
            return {};
    }
}

QRect CheckableTableCellAccessible::rect() const {
    if (!isValid()) return {};
    if (isHeader()) {
        QHeaderView* header = view_->horizontalHeader();
        const QRect local(header->sectionViewportPosition(column_), 0, header->sectionSize(column_),
                          header->height());
        return local.translated(header->viewport()->mapToGlobal(QPoint(0, 0)));
    }
    return view_->visualRect(index_).translated(view_->viewport()->mapToGlobal(QPoint(0, 0)));
}

QAccessible::Role CheckableTableCellAccessible::role() const {
    return isHeader() ? QAccessible::ColumnHeader : QAccessible::Cell;
}

bool CheckableTableCellAccessible::isCheckable() const {
    return !isHeader() && index_.isValid() && (index_.flags() & Qt::ItemIsUserCheckable) &&
           index_.data(Qt::CheckStateRole).isValid();
}

QAccessible::State CheckableTableCellAccessible::state() const {
    QAccessible::State state;
    if (!isValid()) return state;
    const QWidget* shownIn =
        isHeader() ? static_cast<QWidget*>(view_->horizontalHeader()->viewport()) : view_->viewport();
    const QRect shownArea(shownIn->mapToGlobal(QPoint(0, 0)), shownIn->size());
    // A cell scrolled out of the viewport is not showing.
    state.invisible = !shownIn->isVisible() || !shownArea.intersects(rect());
    if (isHeader()) return state;

    const Qt::ItemFlags flags = index_.flags();
    state.disabled = !(flags & Qt::ItemIsEnabled);
    state.focusable = true;
    state.focused = view_->hasFocus() && view_->currentIndex() == index_;
    state.selectable = (flags & Qt::ItemIsSelectable) != 0;
    state.selected = isSelected();
    if (isCheckable()) {
        state.checkable = true;
        const auto check = index_.data(Qt::CheckStateRole).value<Qt::CheckState>();
        state.checked = check == Qt::Checked;
        state.checkStateMixed = check == Qt::PartiallyChecked;
    }
    return state;
}

void* CheckableTableCellAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableCellInterface) return static_cast<QAccessibleTableCellInterface*>(this);
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

QList<QAccessibleInterface*> CheckableTableCellAccessible::columnHeaderCells() const {
    if (isHeader() || !view_) return {};
    auto* table = dynamic_cast<CheckableTableAccessible*>(parent());
    QAccessibleInterface* header = table ? table->columnHeaderCell(columnIndex()) : nullptr;
    return header ? QList<QAccessibleInterface*>{header} : QList<QAccessibleInterface*>{};
}

int CheckableTableCellAccessible::columnIndex() const {
    return isHeader() ? column_ : index_.column();
}

int CheckableTableCellAccessible::rowIndex() const {
    return isHeader() ? -1 : index_.row();
}

bool CheckableTableCellAccessible::isSelected() const {
    return !isHeader() && view_ && index_.isValid() && view_->selectionModel()->isSelected(index_);
}

QStringList CheckableTableCellAccessible::actionNames() const {
    if (isHeader() || !isValid() || !(index_.flags() & Qt::ItemIsEnabled)) return {};
    // Toggle first: screen readers take the first action as the one to do on activation.
    if (isCheckable()) return {toggleAction(), setFocusAction()};
    return {setFocusAction()};
}

void CheckableTableCellAccessible::doAction(const QString& actionName) {
    if (!actionNames().contains(actionName)) return;
    if (actionName == toggleAction()) {
        view_->toggleCheck(index_);
    } else if (actionName == setFocusAction()) {
        view_->setFocus(Qt::OtherFocusReason);
        view_->setCurrentIndex(index_);
    }
}

}  // namespace quorvane
