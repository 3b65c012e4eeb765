#include "onboarding/widgets/OnboardingNoteLabel.h"

#include <QPainter>

namespace quorvane {

OnboardingNoteLabel::OnboardingNoteLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setWordWrap(true);
    setAlignment(Qt::AlignCenter);
    setContentsMargins(12, 6, 12, 6);
    QFont font = this->font();
    font.setWeight(QFont::Medium);
    setFont(font);
}

void OnboardingNoteLabel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor tint = palette().color(QPalette::Highlight);
    tint.setAlphaF(0.1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint);
    painter.drawRoundedRect(rect(), 7, 7);
    painter.end();
    QLabel::paintEvent(event);
}

}  // namespace quorvane
