#pragma once

// A table widget whose checkable cells a screen reader can toggle. Qt's own accessible table offers a
// "Toggle" action on every cell that selects the cell's row, and says nothing of a cell being checkable; this
// table's accessible interface (CheckableTableAccessible) makes the action change the check, exactly as a
// click or Space does, so whoever listens to the check state stores it whatever the input. Main thread only.

#include <QTableWidget>

namespace quorvane {

class CheckableCellTable : public QTableWidget {
    Q_OBJECT
public:
    CheckableCellTable(int rows, int columns, QWidget* parent = nullptr);

    // Turns the check of the cell at `index` over; false when the cell is not enabled and checkable.
    bool toggleCheck(const QModelIndex& index);
};

}  // namespace quorvane
