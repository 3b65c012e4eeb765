#include "panel/widgets/ClipboardResultListAccessible.h"

#include <QPointer>
#include <QWidget>
#include <QWindow>

#include "l10n/L10n.h"
#include "panel/widgets/ClipboardResultListView.h"

namespace quorvane {
namespace {

class ClipboardResultRowAccessible final : public QAccessibleInterface {
public:
    ClipboardResultRowAccessible(ClipboardResultListView* list, int row) : list_(list), row_(row) {}

    bool isValid() const override { return list_ && row_ < list_->rowCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return list_ && list_->window() ? list_->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return list_ ? QAccessible::queryAccessibleInterface(list_.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        switch (t) {
            case QAccessible::Name:
                return list_->spokenRowName(row_);
            case QAccessible::Description:
                return QString::fromStdString(list_->rowPresentation(row_).subtitle);
            default:
                return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect inViewport = list_->rowRect(row_);
        return QRect(list_->viewport()->mapToGlobal(inViewport.topLeft()), inViewport.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.selectable = true;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.focusable = true;
        state.selected = row_ == list_->state().highlightedRow();
        // The keys stay in the search field; the selected row stands for them there.
        state.focused = state.selected && list_->window()->isActiveWindow();
        const QRect visible = list_->viewport()->rect();
        if (!visible.intersects(list_->rowRect(row_)) || !list_->isVisible()) state.invisible = true;
        return state;
    }

private:
    QPointer<ClipboardResultListView> list_;
    int row_;
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String("quorvane::ClipboardResultListView")) {
        if (auto* list = qobject_cast<ClipboardResultListView*>(object))
            return new ClipboardResultListAccessible(list);
    }
    return nullptr;
}

}  // namespace

ClipboardResultListAccessible::ClipboardResultListAccessible(ClipboardResultListView* list)
    : QAccessibleWidget(list, QAccessible::List) {}

ClipboardResultListAccessible::~ClipboardResultListAccessible() {
    forgetRows();
}

void ClipboardResultListAccessible::installFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

ClipboardResultListView* ClipboardResultListAccessible::list() const {
    return static_cast<ClipboardResultListView*>(widget());
}

int ClipboardResultListAccessible::childCount() const {
    return list()->rowCount();
}

QAccessibleInterface* ClipboardResultListAccessible::child(int index) const {
    if (index < 0 || index >= childCount()) return nullptr;
    if (const auto found = rows_.constFind(index); found != rows_.constEnd()) {
        if (QAccessibleInterface* row = QAccessible::accessibleInterface(*found)) return row;
    }
    auto* row = new ClipboardResultRowAccessible(list(), index);
    rows_.insert(index, QAccessible::registerAccessibleInterface(row));
    return row;
}

int ClipboardResultListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    for (auto it = rows_.constBegin(); it != rows_.constEnd(); ++it) {
        if (QAccessible::accessibleInterface(it.value()) == child) return it.key();
    }
    return -1;
}

QAccessibleInterface* ClipboardResultListAccessible::childAt(int x, int y) const {
    const QPoint inViewport = list()->viewport()->mapFromGlobal(QPoint(x, y));
    for (int row = 0; row < childCount(); ++row) {
        if (list()->rowRect(row).contains(inViewport)) return child(row);
    }
    return nullptr;
}

QString ClipboardResultListAccessible::text(QAccessible::Text t) const {
    QString text = QAccessibleWidget::text(t);
    if (t == QAccessible::Name && text.isEmpty())
        text = QString::fromStdString(L10n::text(L10nKey::panelClipboardHistoryTab));
    return text;
}

void ClipboardResultListAccessible::forgetRows() {
    for (const QAccessible::Id id : std::as_const(rows_)) QAccessible::deleteAccessibleInterface(id);
    rows_.clear();
}

}  // namespace quorvane
