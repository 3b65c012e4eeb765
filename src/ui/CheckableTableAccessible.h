#pragma once

// What a screen reader meets for a CheckableCellTable: a table whose children are the column headers (while
// the header shows) and then the cells row by row, each a CheckableTableCellAccessible. Cell interfaces are
// made once per cell and dropped when rows or columns change. Created by Qt's accessibility factory; main
// thread only.

#include <QAccessibleWidget>
#include <QHash>
#include <utility>

namespace quorvane {

class CheckableCellTable;

class CheckableTableAccessible final : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit CheckableTableAccessible(CheckableCellTable* view);
    ~CheckableTableAccessible() override;

    // Installs the factory that gives every CheckableCellTable this interface (once per program).
    static void installFactory();

    // QAccessibleInterface
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int columnCount() const override;
    int rowCount() const override;
    int selectedColumnCount() const override;
    int selectedRowCount() const override;
    QList<int> selectedColumns() const override;
    QList<int> selectedRows() const override;
    bool isColumnSelected(int column) const override;
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int column) override;
    bool unselectRow(int row) override;
    bool unselectColumn(int column) override;
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

    // The column header's interface for `column`; null when the header is hidden or `column` is outside.
    QAccessibleInterface* columnHeaderCell(int column) const;

private:
    CheckableCellTable* view() const;
    bool showsColumnHeader() const;
    // The cached interface of a cell (`row` -1: the column header), made on first use.
    QAccessibleInterface* cachedCell(int row, int column) const;
    bool select(int row, int column, bool wholeRow, bool selecting);
    void dropCachedCells();

    mutable QHash<std::pair<int, int>, QAccessible::Id> cells_;
};

}  // namespace quorvane
