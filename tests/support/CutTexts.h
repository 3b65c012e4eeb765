#pragma once

// Finds the texts a user cannot read whole in a shown window: labels and buttons smaller than their text
// needs, widgets reaching past the parent that clips them, and scrolled content wider than its view (which
// hides its right side). Each finding names the text, for the test's failure message.

#include <QAbstractButton>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace quorvane::testing {

namespace cut_texts_detail {

inline bool shown(const QWidget* widget, const QWidget* root) {
    return widget->isVisibleTo(root) && widget->isVisible();
}

// Whether `widget` lies inside its parent, unless the parent is a scrolled view's viewport.
inline bool insideParent(const QWidget* widget) {
    const QWidget* parent = widget->parentWidget();
    if (!parent || widget->isWindow()) return true;
    if (qobject_cast<const QScrollArea*>(parent->parentWidget()) &&
        qobject_cast<const QScrollArea*>(parent->parentWidget())->viewport() == parent)
        return true;
    return parent->rect().contains(widget->geometry());
}

}  // namespace cut_texts_detail

inline QStringList cutTexts(const QWidget* root) {
    using namespace cut_texts_detail;
    QStringList found;
    for (const QLabel* label : root->findChildren<QLabel*>()) {
        if (!shown(label, root) || label->text().isEmpty()) continue;
        const QString text = label->text().left(60);
        if (label->wordWrap()) {
            if (label->height() < label->heightForWidth(label->width()))
                found << QStringLiteral("wrapped label too low (%1 < %2): %3")
                             .arg(label->height())
                             .arg(label->heightForWidth(label->width()))
                             .arg(text);
        } else if (label->width() < label->minimumSizeHint().width() ||
                   label->height() < label->fontMetrics().height()) {
            found << QStringLiteral("label too small (%1x%2 for %3x%4): %5")
                         .arg(label->width())
                         .arg(label->height())
                         .arg(label->minimumSizeHint().width())
                         .arg(label->fontMetrics().height())
                         .arg(text);
        }
        if (!insideParent(label)) found << QStringLiteral("label reaches past its parent: %1").arg(text);
    }
    for (const QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
        if (!shown(button, root) || button->text().isEmpty()) continue;
        const QString text = button->text().left(60);
        if (button->width() < button->sizeHint().width() || button->height() < button->fontMetrics().height())
            found << QStringLiteral("button too small (%1x%2 for %3x%4): %5")
                         .arg(button->width())
                         .arg(button->height())
                         .arg(button->sizeHint().width())
                         .arg(button->sizeHint().height())
                         .arg(text);
        if (!insideParent(button)) found << QStringLiteral("button reaches past its parent: %1").arg(text);
    }
    for (const QScrollArea* area : root->findChildren<QScrollArea*>()) {
        if (!shown(area, root) || !area->widget()) continue;
        if (area->widget()->width() > area->viewport()->width())
            found << QStringLiteral("scrolled content wider than its view (%1 > %2): %3")
                         .arg(area->widget()->width())
                         .arg(area->viewport()->width())
                         .arg(area->objectName());
    }
    return found;
}

}  // namespace quorvane::testing
