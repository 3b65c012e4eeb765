#pragma once

// What screen readers see of the result list, which paints its rows itself: a list whose children are the
// rows, each named by its title and described by its subtitle, the highlighted row selected. The list
// announces new rows and every move of the selection, so a reader follows the arrow keys while the keyboard
// stays in the search field. Main thread only.

#include <QAccessibleWidget>
#include <QHash>

namespace quorvane {

class ClipboardResultListView;

class ClipboardResultListAccessible final : public QAccessibleWidget {
public:
    explicit ClipboardResultListAccessible(ClipboardResultListView* list);
    ~ClipboardResultListAccessible() override;

    // Installs the factory that gives every ClipboardResultListView this interface; once per process.
    static void installFactory();

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QString text(QAccessible::Text t) const override;

    // The rows were rebuilt: the old row interfaces go.
    void forgetRows();

private:
    ClipboardResultListView* list() const;

    mutable QHash<int, QAccessible::Id> rows_;
};

}  // namespace quorvane
