#include "ui/CheckableTableAccessible.h"

#include <QHeaderView>
#include <QItemSelectionModel>

#include "ui/CheckableCellTable.h"
#include "ui/CheckableTableCellAccessible.h"

namespace quorvane {
namespace {

QAccessibleInterface* checkableTableFactory(const QString& className, QObject* object) {
    // Asked once per class along the object's ancestry: answer only for the table's own class, so Qt's
    // table never gets there first.
    if (className != QLatin1String(CheckableCellTable::staticMetaObject.className())) return nullptr;
    auto* table = qobject_cast<CheckableCellTable*>(object);
    return table ? new CheckableTableAccessible(table) : nullptr;
}

}  // namespace

CheckableTableAccessible::CheckableTableAccessible(CheckableCellTable* view)
    : QAccessibleWidget(view, QAccessible::Table) {}

CheckableTableAccessible::~CheckableTableAccessible() {
    dropCachedCells();
}

void CheckableTableAccessible::installFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(&checkableTableFactory);
        return true;
    }();
    (void)installed;
}

CheckableCellTable* CheckableTableAccessible::view() const {
    return static_cast<CheckableCellTable*>(widget());
}

bool CheckableTableAccessible::showsColumnHeader() const {
    return !view()->horizontalHeader()->isHidden();
}

QAccessible::Role CheckableTableAccessible::role() const {
    return QAccessible::Table;
}

QAccessible::State CheckableTableAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    const auto mode = view()->selectionMode();
    state.multiSelectable =
        mode == QAbstractItemView::MultiSelection || mode == QAbstractItemView::ExtendedSelection;
    return state;
}

int CheckableTableAccessible::childCount() const {
    return (rowCount() + (showsColumnHeader() ? 1 : 0)) * columnCount();
}

QAccessibleInterface* CheckableTableAccessible::child(int index) const {
    const int columns = columnCount();
    if (index < 0 || columns == 0 || index >= childCount()) return nullptr;
    const int row = index / columns - (showsColumnHeader() ? 1 : 0);
    return cachedCell(row, index % columns);
}

int CheckableTableAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* cell = dynamic_cast<const CheckableTableCellAccessible*>(child);
    if (!cell || !cell->isValid() || cell->table() != this) return -1;
    const int row = (cell->isHeader() ? -1 : cell->rowIndex()) + (showsColumnHeader() ? 1 : 0);
    return row * columnCount() + cell->columnIndex();
}

QAccessibleInterface* CheckableTableAccessible::childAt(int x, int y) const {
    const QPoint global(x, y);
    QHeaderView* header = view()->horizontalHeader();
    if (showsColumnHeader() && header->rect().contains(header->mapFromGlobal(global))) {
        return columnHeaderCell(header->logicalIndexAt(header->viewport()->mapFromGlobal(global)));
    }
    const QModelIndex index = view()->indexAt(view()->viewport()->mapFromGlobal(global));
    return index.isValid() ? cachedCell(index.row(), index.column()) : nullptr;
}

QAccessibleInterface* CheckableTableAccessible::focusChild() const {
    const QModelIndex current = view()->currentIndex();
    return current.isValid() ? cachedCell(current.row(), current.column()) : nullptr;
}

void* CheckableTableAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface* CheckableTableAccessible::cellAt(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return nullptr;
    return cachedCell(row, column);
}

QAccessibleInterface* CheckableTableAccessible::columnHeaderCell(int column) const {
    if (!showsColumnHeader() || column < 0 || column >= columnCount()) return nullptr;
    return cachedCell(-1, column);
}

QAccessibleInterface* CheckableTableAccessible::cachedCell(int row, int column) const {
    const auto key = std::make_pair(row, column);
    if (const auto found = cells_.constFind(key); found != cells_.constEnd()) {
        if (QAccessibleInterface* cell = QAccessible::accessibleInterface(*found)) return cell;
    }
    auto* cell = row < 0 ? new CheckableTableCellAccessible(view(), column)
                         : new CheckableTableCellAccessible(view(), view()->model()->index(row, column));
    cells_.insert(key, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

void CheckableTableAccessible::dropCachedCells() {
    for (const QAccessible::Id id : std::as_const(cells_)) QAccessible::deleteAccessibleInterface(id);
    cells_.clear();
}

void CheckableTableAccessible::modelChange(QAccessibleTableModelChangeEvent* event) {
    // A changed value leaves every cell where it was; anything else may move them.
    if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged) dropCachedCells();
}

int CheckableTableAccessible::selectedCellCount() const {
    return static_cast<int>(view()->selectionModel()->selectedIndexes().size());
}

QList<QAccessibleInterface*> CheckableTableAccessible::selectedCells() const {
    QList<QAccessibleInterface*> cells;
    for (const QModelIndex& index : view()->selectionModel()->selectedIndexes())
        cells.push_back(cachedCell(index.row(), index.column()));
    return cells;
}

QString CheckableTableAccessible::columnDescription(int column) const {
    return view()->model()->headerData(column, Qt::Horizontal).toString();
}

QString CheckableTableAccessible::rowDescription(int row) const {
    return view()->model()->headerData(row, Qt::Vertical).toString();
}

int CheckableTableAccessible::columnCount() const {
    return view()->model()->columnCount();
}

int CheckableTableAccessible::rowCount() const {
    return view()->model()->rowCount();
}

int CheckableTableAccessible::selectedColumnCount() const {
    return static_cast<int>(selectedColumns().size());
}

int CheckableTableAccessible::selectedRowCount() const {
    return static_cast<int>(selectedRows().size());
}

QList<int> CheckableTableAccessible::selectedColumns() const {
    QList<int> columns;
    for (const QModelIndex& index : view()->selectionModel()->selectedColumns())
        columns.push_back(index.column());
    return columns;
}

QList<int> CheckableTableAccessible::selectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : view()->selectionModel()->selectedRows()) rows.push_back(index.row());
    return rows;
}

bool CheckableTableAccessible::isColumnSelected(int column) const {
    return view()->selectionModel()->isColumnSelected(column, QModelIndex());
}

bool CheckableTableAccessible::isRowSelected(int row) const {
    return view()->selectionModel()->isRowSelected(row, QModelIndex());
}

bool CheckableTableAccessible::selectRow(int row) {
    return select(row, 0, true, true);
}

bool CheckableTableAccessible::selectColumn(int column) {
    return select(0, column, false, true);
}

bool CheckableTableAccessible::unselectRow(int row) {
    return select(row, 0, true, false);
}

bool CheckableTableAccessible::unselectColumn(int column) {
    return select(0, column, false, false);
}

bool CheckableTableAccessible::select(int row, int column, bool wholeRow, bool selecting) {
    const QModelIndex index = view()->model()->index(row, column);
    const auto mode = view()->selectionMode();
    const auto behavior = view()->selectionBehavior();
    // A table that selects whole rows has no column to select, and the other way round.
    if (!index.isValid() || mode == QAbstractItemView::NoSelection ||
        (wholeRow && behavior == QAbstractItemView::SelectColumns) ||
        (!wholeRow && behavior == QAbstractItemView::SelectRows))
        return false;
    QItemSelectionModel::SelectionFlags flags =
        wholeRow ? QItemSelectionModel::Rows : QItemSelectionModel::Columns;
    if (!selecting) {
        flags |= QItemSelectionModel::Deselect;
    } else if (mode == QAbstractItemView::SingleSelection) {
        flags |= QItemSelectionModel::ClearAndSelect;
    } else {
        flags |= QItemSelectionModel::Select;
    }
    view()->selectionModel()->select(index, flags);
    return true;
}

}  // namespace quorvane
