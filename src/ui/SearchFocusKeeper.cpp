#include "ui/SearchFocusKeeper.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

namespace quorvane {

SearchFocusKeeper::SearchFocusKeeper(QWidget& window, QLineEdit& field, QObject* parent)
    : QObject(parent), window_(&window), field_(&field) {
    qApp->installEventFilter(this);
}

SearchFocusKeeper::~SearchFocusKeeper() {
    qApp->removeEventFilter(this);
}

namespace {

enum class TextControl { none, readOnly, editable };

TextControl textControlKind(const QWidget* widget) {
    // Mouse and key events of a text view arrive at its viewport: look at the view around it too.
    for (const QWidget* w = widget; w && !w->isWindow(); w = w->parentWidget()) {
        if (const auto* line = qobject_cast<const QLineEdit*>(w))
            return line->isReadOnly() ? TextControl::readOnly : TextControl::editable;
        if (qobject_cast<const QAbstractSpinBox*>(w)) return TextControl::editable;
        const auto* edit = qobject_cast<const QTextEdit*>(w);
        const auto* plain = qobject_cast<const QPlainTextEdit*>(w);
        if (!edit && !plain) continue;
        if (!(edit ? edit->isReadOnly() : plain->isReadOnly())) return TextControl::editable;
        const auto flags = edit ? edit->textInteractionFlags() : plain->textInteractionFlags();
        return flags.testFlag(Qt::TextSelectableByMouse) ? TextControl::readOnly : TextControl::none;
    }
    return TextControl::none;
}

}  // namespace

bool SearchFocusKeeper::isTextControl(const QWidget* widget) {
    return textControlKind(widget) != TextControl::none;
}

bool SearchFocusKeeper::isTypingKey(const QKeyEvent& event) {
    const auto modifiers = event.modifiers();
    if (modifiers.testFlag(Qt::MetaModifier)) return false;
    switch (event.key()) {
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
            return true;
        default:
            break;
    }
    if (modifiers.testFlag(Qt::ControlModifier)) return false;
    const QString text = event.text();
    if (text.isEmpty()) return false;
    for (const QChar c : text) {
        if (!c.isPrint() && !c.isSurrogate()) return false;
    }
    return true;
}

bool SearchFocusKeeper::belongsToWindow(const QWidget* widget) const {
    return widget && window_ && widget->window() == window_.data();
}

void SearchFocusKeeper::refocusFieldLater() {
    if (refocusPending_) return;
    refocusPending_ = true;
    // After the click is delivered: the widget under the pointer gets its press first.
    QTimer::singleShot(0, this, [this] {
        refocusPending_ = false;
        if (!field_ || !window_ || !window_->isVisible()) return;
        QWidget* focus = window_->focusWidget();
        if (focus == field_.data() || isTextControl(focus)) return;
        field_->setFocus(Qt::OtherFocusReason);
    });
}

bool SearchFocusKeeper::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::FocusIn && type != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!belongsToWindow(widget) || !field_) return false;

    if (type == QEvent::FocusIn) {
        if (widget != field_.data() && !isTextControl(widget)) refocusFieldLater();
        return false;
    }
    // A key travels from the focus widget up to its parents: decide once, at the first receiver.
    QWidget* focus = QApplication::focusWidget();
    if (widget != focus && !(focus == nullptr && widget == window_.data())) return false;
    if (widget == field_.data()) return false;
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (!isTypingKey(key)) return false;
    // An editable control of the window keeps what is typed into it; a read-only text passes it on.
    if (textControlKind(widget) == TextControl::editable) return false;
    field_->setFocus(Qt::OtherFocusReason);
    QKeyEvent copy(key.type(), key.key(), key.modifiers(), key.nativeScanCode(), key.nativeVirtualKey(),
                   key.nativeModifiers(), key.text(), key.isAutoRepeat(), key.count());
    QCoreApplication::sendEvent(field_.data(), &copy);
    return true;
}

}  // namespace quorvane
