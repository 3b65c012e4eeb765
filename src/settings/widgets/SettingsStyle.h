#pragma once

// The text styles every settings page shares: the page title, the card titles and the small grey
// descriptions that wrap under a control. Fonts are scaled from the application font, so the pages follow
// the desktop's text size. Main thread only.

#include <QString>

class QLabel;
class QVBoxLayout;
class QWidget;

namespace quorvane {

class SettingsCard;

// A card with its title and the column its rows go in (20/16 px margins, 8 px apart).
struct SettingsCardRows {
    SettingsCard* card;
    QVBoxLayout* rows;
};
SettingsCardRows makeSettingsCard(const QString& title, QWidget* parent);

// Semibold at 18/13 of the application font.
QLabel* makeSettingsPageTitleLabel(const QString& text, QWidget* parent = nullptr);
// Semibold at 15/13 of the application font.
QLabel* makeSettingsSectionTitleLabel(const QString& text, QWidget* parent = nullptr);
// 11/13 of the application font, secondary text colour, wrapping over any number of lines.
void applySettingsDescriptionLabelStyle(QLabel* label);
QLabel* makeSettingsDescriptionLabel(const QString& text, QWidget* parent = nullptr);

}  // namespace quorvane
