#include "panel/widgets/ClipboardTextField.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include "l10n/L10n.h"
#include "ui/UiColors.h"

namespace quorvane {
namespace {

std::u16string u16(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

QString qstring(const std::u16string& text) {
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

}  // namespace

ClipboardTextField::ClipboardTextField(const ClipboardSearchAutoCompleteManager& manager, QWidget* parent)
    : QLineEdit(parent), completion_(manager) {
    setFrame(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    connect(this, &QLineEdit::textEdited, this, [this] { edited(); });
    connect(this, &QLineEdit::cursorPositionChanged, this, [this] {
        if (settingText_) return;
        completion_.selectionChanged(fieldState(composing_));
        update();
    });
    connect(this, &QLineEdit::selectionChanged, this, [this] {
        if (settingText_) return;
        completion_.selectionChanged(fieldState(composing_));
        update();
    });
}

void ClipboardTextField::retranslate() {
    setPlaceholderText(QString::fromStdString(L10n::text(L10nKey::panelSearchPlaceholder)));
    // Readers announce the placeholder as the field's description.
    setAccessibleName(QString::fromStdString(L10n::text(L10nKey::panelSearchImageDescription)));
}

QString ClipboardTextField::ghostSuffix() const {
    return qstring(completion_.ghostSuffix());
}

void ClipboardTextField::acceptGhost() {
    const auto accepted = completion_.acceptGhost(u16(text()));
    if (!accepted) return;
    replaceText(qstring(*accepted));
    if (onSearchRequested) onSearchRequested(text());
}

void ClipboardTextField::replaceText(const QString& newText) {
    settingText_ = true;
    setText(newText);
    setCursorPosition(static_cast<int>(newText.size()));
    settingText_ = false;
    update();
}

ClipboardSearchFieldState ClipboardTextField::fieldState(bool composing) const {
    ClipboardSearchFieldState state;
    state.text = u16(text());
    state.cursor = static_cast<std::size_t>(hasSelectedText() ? selectionEnd() : cursorPosition());
    state.selectionLength = static_cast<std::size_t>(selectedText().size());
    state.hasMarkedText = composing;
    return state;
}

void ClipboardTextField::edited() {
    if (completion_.textChanged(fieldState(composing_)) && onSearchRequested) onSearchRequested(text());
    update();
}

void ClipboardTextField::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
            // Right never accepts the ghost: only Tab does.
            completion_.caretMoved();
            break;
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            completion_.deleteCommand();
            break;
        default:
            break;
    }
    QLineEdit::keyPressEvent(event);
    update();
}

void ClipboardTextField::inputMethodEvent(QInputMethodEvent* event) {
    composing_ = !event->preeditString().isEmpty();
    if (composing_) completion_.textChanged(fieldState(true));
    QLineEdit::inputMethodEvent(event);
    composing_ = false;
    update();
}

void ClipboardTextField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    QPalette textPalette = palette();
    textPalette.setColor(QPalette::Text, UiColors::label(palette()));
    setPalette(textPalette);
}

void ClipboardTextField::focusOutEvent(QFocusEvent* event) {
    completion_.focusLost();
    QLineEdit::focusOutEvent(event);
}

void ClipboardTextField::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (completion_.ghostSuffix().empty()) return;
    QPainter painter(this);
    painter.setPen(UiColors::tertiaryLabel(palette()));
    painter.setFont(font());
    const QRect caret = cursorRect();
    const QString suffix = ghostSuffix();
    const QFontMetrics metrics(font());
    const int x = caret.center().x() + 1;
    const QRect area(x, 0, metrics.horizontalAdvance(suffix) + 2, height());
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, suffix);
}

}  // namespace quorvane
