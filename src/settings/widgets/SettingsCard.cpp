#include "settings/widgets/SettingsCard.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace quorvane {

void applySecondaryLabelStyle(QWidget* label) {
    QPalette palette = label->palette();
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.62);
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

void nameAfterLabel(QLabel* label, QWidget* control) {
    label->setBuddy(control);
    QString name = label->text().remove('&').trimmed();
    while (name.endsWith(':') || name.endsWith(QChar(0xFF1A))) name.chop(1);
    control->setAccessibleName(name.trimmed());
}

SettingsCard::SettingsCard(QWidget* parent) : QFrame(parent) {
    setAttribute(Qt::WA_StyledBackground, false);
}

void SettingsCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::Base);
    fill.setAlphaF(0.65);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    painter.fillPath(path, fill);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.drawPath(path);
}

}  // namespace quorvane
