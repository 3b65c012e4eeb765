#include "settings/widgets/SettingsContentContainerView.h"

#include <QAccessibleWidget>

namespace quorvane {

namespace {

// The container's accessible children are its shown child widgets; hidden pages stay out of the tree.
class ShownChildrenAccessible : public QAccessibleWidget {
public:
    explicit ShownChildrenAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Pane) {}

    int childCount() const override { return static_cast<int>(shownChildren().size()); }

    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> children = shownChildren();
        if (index < 0 || index >= children.size()) return nullptr;
        return QAccessible::queryAccessibleInterface(children[index]);
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) return -1;
        return static_cast<int>(shownChildren().indexOf(qobject_cast<QWidget*>(child->object())));
    }

private:
    QList<QWidget*> shownChildren() const {
        QList<QWidget*> shown;
        for (QObject* object : widget()->children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (child && !child->isWindow() && !child->isHidden()) shown.append(child);
        }
        return shown;
    }
};

QAccessibleInterface* shownChildrenFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("quorvane::SettingsContentContainerView") && object &&
        object->isWidgetType())
        return new ShownChildrenAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

}  // namespace

SettingsContentContainerView::SettingsContentContainerView(QWidget* parent) : QWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(shownChildrenFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace quorvane
