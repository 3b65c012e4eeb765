#pragma once

// One cell of a CheckableCellTable for a screen reader, or one of its column headers. A checkable cell says
// so and whether it is checked, and its "Toggle" action turns the check over the way a click does; every
// body cell's "SetFocus" makes it the current cell and selects its row, as the arrow keys do. Made and owned
// by CheckableTableAccessible; main thread only.

#include <QAccessible>
#include <QPersistentModelIndex>
#include <QPointer>

namespace quorvane {

class CheckableCellTable;

class CheckableTableCellAccessible final : public QAccessibleInterface,
                                           public QAccessibleTableCellInterface,
                                           public QAccessibleActionInterface {
public:
    // A body cell at `index`.
    CheckableTableCellAccessible(CheckableCellTable* view, const QModelIndex& index);
    // The column header of `column`.
    CheckableTableCellAccessible(CheckableCellTable* view, int column);

    bool isHeader() const { return !index_.isValid() && column_ >= 0; }

    // QAccessibleInterface
    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text type) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // QAccessibleTableCellInterface
    int columnExtent() const override { return 1; }
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    int columnIndex() const override;
    int rowExtent() const override { return 1; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int rowIndex() const override;
    bool isSelected() const override;
    QAccessibleInterface* table() const override;

    // QAccessibleActionInterface
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    bool isCheckable() const;

    QPointer<CheckableCellTable> view_;
    QPersistentModelIndex index_;
    int column_ = -1;
};

}  // namespace quorvane
