#include "ui/ElidedLabel.h"

#include <QEvent>
#include <QFontMetrics>

namespace quorvane {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
}

void ElidedLabel::setFullText(const QString& text) {
    fullText_ = text;
    setAccessibleName(text);
    elide();
}

QSize ElidedLabel::minimumSizeHint() const {
    // Any width will do: the text shortens to fit.
    return {0, QLabel::minimumSizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) elide();
}

void ElidedLabel::elide() {
    const QMargins margins = contentsMargins();
    const int room = width() - margins.left() - margins.right() - 2 * margin();
    const QString shown = fontMetrics().elidedText(fullText_, Qt::ElideRight, std::max(room, 0));
    if (text() != shown) QLabel::setText(shown);
}

}  // namespace quorvane
