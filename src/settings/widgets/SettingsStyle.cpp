#include "settings/widgets/SettingsStyle.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

#include "settings/widgets/SettingsCard.h"

namespace quorvane {

namespace {

QFont scaledFont(double numerator, bool semibold) {
    QFont font = QApplication::font();
    const double base = font.pointSizeF() > 0 ? font.pointSizeF() : 10.0;
    font.setPointSizeF(base * numerator / 13.0);
    if (semibold) font.setWeight(QFont::DemiBold);
    return font;
}

}  // namespace

QLabel* makeSettingsPageTitleLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(scaledFont(18, true));
    return label;
}

QLabel* makeSettingsSectionTitleLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(scaledFont(15, true));
    return label;
}

void applySettingsDescriptionLabelStyle(QLabel* label) {
    label->setFont(scaledFont(11, false));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    applySecondaryLabelStyle(label);
}

QLabel* makeSettingsDescriptionLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    applySettingsDescriptionLabelStyle(label);
    return label;
}

SettingsCardRows makeSettingsCard(const QString& title, QWidget* parent) {
    auto* card = new SettingsCard(parent);
    auto* rows = new QVBoxLayout(card);
    rows->setContentsMargins(20, 16, 20, 16);
    rows->setSpacing(8);
    rows->addWidget(makeSettingsSectionTitleLabel(title, card));
    rows->addSpacing(2);
    return {card, rows};
}

}  // namespace quorvane
