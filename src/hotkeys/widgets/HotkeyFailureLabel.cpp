#include "hotkeys/widgets/HotkeyFailureLabel.h"

#include <QEvent>

#include "ui/UiColors.h"

namespace quorvane {

HotkeyFailureLabel::HotkeyFailureLabel(QWidget* parent) : QLabel(parent) {
    setObjectName("hotkeyFailure");
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 11.0 / 13.0);
    setFont(small);
    applyColor();
    hide();
}

void HotkeyFailureLabel::setFailure(const std::optional<std::string>& text) {
    setText(text ? QString::fromStdString(*text) : QString());
    setVisible(text.has_value());
}

void HotkeyFailureLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) applyColor();
}

void HotkeyFailureLabel::applyColor() {
    QPalette shade = palette();
    const QColor red = UiColors::systemRed(shade);
    if (shade.color(QPalette::WindowText) == red) return;  // our own change comes back as a palette change
    shade.setColor(QPalette::WindowText, red);
    setPalette(shade);
}

}  // namespace quorvane
