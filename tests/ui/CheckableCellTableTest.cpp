#include <gtest/gtest.h>

#include <QAccessible>
#include <QHeaderView>
#include <QSignalSpy>
#include <memory>

#include "support/QtTestApplication.h"
#include "ui/CheckableCellTable.h"

namespace quorvane {
namespace {

class CheckableCellTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::qtTestApplication();
        table_ = std::make_unique<CheckableCellTable>(2, 2);
        table_->setHorizontalHeaderLabels({"Enabled", "Rule Name"});
        table_->setSelectionBehavior(QAbstractItemView::SelectRows);
        table_->setSelectionMode(QAbstractItemView::SingleSelection);
        for (int row = 0; row < 2; ++row) {
            auto* check = new QTableWidgetItem;
            check->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            check->setCheckState(row == 0 ? Qt::Checked : Qt::Unchecked);
            check->setData(Qt::AccessibleTextRole, "Enabled");
            check->setData(Qt::AccessibleDescriptionRole, row == 0 ? "Invoices" : "Receipts");
            table_->setItem(row, 0, check);
            table_->setItem(row, 1, new QTableWidgetItem(row == 0 ? "Invoices" : "Receipts"));
        }
        table_->resize(400, 200);
        table_->show();
    }

    QAccessibleInterface* tableInterface() { return QAccessible::queryAccessibleInterface(table_.get()); }
    QAccessibleInterface* cell(int row, int column) {
        return tableInterface()->tableInterface()->cellAt(row, column);
    }

    // Made once the application exists.
    std::unique_ptr<CheckableCellTable> table_;
};

TEST_F(CheckableCellTableTest, ACheckableCellSaysSoAndItsToggleTurnsTheCheckLikeAClick) {
    QAccessibleInterface* enabled = cell(0, 0);
    ASSERT_NE(enabled, nullptr);
    EXPECT_EQ(enabled->role(), QAccessible::Cell);
    EXPECT_EQ(enabled->text(QAccessible::Name), "Enabled");
    EXPECT_EQ(enabled->text(QAccessible::Description), "Invoices");
    EXPECT_TRUE(enabled->state().checkable);
    EXPECT_TRUE(enabled->state().checked);
    ASSERT_NE(enabled->actionInterface(), nullptr);
    // Toggle first: screen readers do the first action on activation.
    EXPECT_EQ(enabled->actionInterface()->actionNames().value(0), QAccessibleActionInterface::toggleAction());

    QSignalSpy changes(table_.get(), &QTableWidget::itemChanged);
    enabled->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(table_->item(0, 0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_FALSE(enabled->state().checked);
    EXPECT_TRUE(enabled->state().checkable);
    EXPECT_TRUE(table_->selectionModel()->selectedRows().isEmpty()) << "the toggle selected the row";
    cell(1, 0)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(table_->item(1, 0)->checkState(), Qt::Checked);

    // A text cell has nothing to toggle; a disabled check cannot be toggled.
    QAccessibleInterface* name = cell(0, 1);
    EXPECT_EQ(name->text(QAccessible::Name), "Invoices");
    EXPECT_FALSE(name->state().checkable);
    EXPECT_FALSE(name->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    table_->item(1, 0)->setFlags(Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    EXPECT_TRUE(cell(1, 0)->state().disabled);
    cell(1, 0)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(table_->item(1, 0)->checkState(), Qt::Checked);
}

TEST_F(CheckableCellTableTest, ChildrenAreTheHeadersThenTheCellsAndFollowTheRows) {
    QAccessibleInterface* table = tableInterface();
    EXPECT_EQ(table->role(), QAccessible::Table);
    ASSERT_EQ(table->childCount(), 6);
    EXPECT_EQ(table->child(0)->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(table->child(1)->text(QAccessible::Name), "Rule Name");
    EXPECT_EQ(table->child(2), cell(0, 0)) << "a cell is one interface however reached";
    EXPECT_EQ(table->child(5)->text(QAccessible::Name), "Receipts");
    for (int index = 0; index < table->childCount(); ++index) {
        EXPECT_EQ(table->indexOfChild(table->child(index)), index);
        EXPECT_EQ(table->child(index)->parent(), table);
    }
    EXPECT_EQ(cell(1, 1)->tableCellInterface()->rowIndex(), 1);
    EXPECT_EQ(cell(1, 1)->tableCellInterface()->columnHeaderCells().value(0), table->child(1));
    EXPECT_EQ(cell(2, 0), nullptr);

    const QRect shown = cell(1, 1)->rect();
    EXPECT_EQ(table->childAt(shown.center().x(), shown.center().y()), cell(1, 1));
    EXPECT_FALSE(cell(1, 1)->state().invisible);

    // A row added and the header hidden: the children are counted and placed anew.
    table_->setRowCount(3);
    table_->setItem(2, 1, new QTableWidgetItem("Orders"));
    table_->horizontalHeader()->hide();
    ASSERT_EQ(table->childCount(), 6);
    EXPECT_EQ(table->child(0)->role(), QAccessible::Cell);
    EXPECT_EQ(table->child(5)->text(QAccessible::Name), "Orders");
    EXPECT_EQ(table->indexOfChild(cell(2, 1)), 5);
}

TEST_F(CheckableCellTableTest, SelectingByTheTableOrAFocusActionSelectsWholeRows) {
    QAccessibleTableInterface* table = tableInterface()->tableInterface();
    EXPECT_TRUE(table->selectRow(1));
    EXPECT_EQ(table->selectedRows(), QList<int>{1});
    EXPECT_TRUE(cell(1, 0)->state().selected);
    EXPECT_FALSE(table->selectColumn(0)) << "the table selects rows only";
    EXPECT_TRUE(table->selectRow(0));
    EXPECT_EQ(table->selectedRows(), QList<int>{0}) << "single selection kept two rows";
    EXPECT_TRUE(table->unselectRow(0));
    EXPECT_EQ(table->selectedRowCount(), 0);

    cell(1, 1)->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    EXPECT_EQ(table_->currentRow(), 1);
    EXPECT_EQ(table->selectedRows(), QList<int>{1});
    EXPECT_EQ(tableInterface()->focusChild(), cell(1, 1));
}

}  // namespace
}  // namespace quorvane
