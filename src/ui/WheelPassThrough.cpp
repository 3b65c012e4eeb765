#include "ui/WheelPassThrough.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QPointer>
#include <QScrollBar>

namespace quorvane {

namespace {

class UnfocusedWheelFilter final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Wheel) return false;
        const auto* control = qobject_cast<QWidget*>(watched);
        if (!control || control->hasFocus()) return false;
        // Ignored and filtered: the control never sees it, and Qt offers it to the parents, so the page's
        // scroll area scrolls.
        event->ignore();
        return true;
    }
};

QObject* sharedFilter() {
    static QPointer<UnfocusedWheelFilter> filter;
    if (!filter) filter = new UnfocusedWheelFilter(qApp);
    return filter;
}

}  // namespace

void WheelPassThrough::apply(QWidget* control) {
    if (!control) return;
    control->setFocusPolicy(Qt::StrongFocus);
    QObject* filter = sharedFilter();
    // Installing twice would not filter twice, but keep the list short anyway.
    control->removeEventFilter(filter);
    control->installEventFilter(filter);
}

void WheelPassThrough::applyToChildren(QWidget* root) {
    if (!root) return;
    for (QComboBox* popup : root->findChildren<QComboBox*>()) apply(popup);
    for (QAbstractSpinBox* spinBox : root->findChildren<QAbstractSpinBox*>()) apply(spinBox);
    for (QAbstractSlider* slider : root->findChildren<QAbstractSlider*>()) {
        if (!qobject_cast<QScrollBar*>(slider)) apply(slider);
    }
}

}  // namespace quorvane
