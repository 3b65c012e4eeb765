#pragma once

// The text styles and building blocks every onboarding page shares: scaled labels, the page header, symbols
// and the cards that group a page's controls. Fonts are scaled from the label's own font, so the pages follow
// the desktop's text size. Main thread only.

#include <QFont>
#include <QString>
#include <QStyle>
#include <functional>

#include "l10n/L10nKey.h"

class QCheckBox;
class QLabel;
class QLayout;
class QVBoxLayout;
class QWidget;

namespace quorvane {

struct OnboardingTextStyle {
    // Of the label's own point size.
    qreal scale = 1.0;
    QFont::Weight weight = QFont::Normal;
    // The window text colour at reduced opacity, taken from the palette the label has when made.
    bool secondary = false;
    bool wraps = false;
};

// The interface text under `key` in the current language.
QString onboardingText(L10nKey key);
QLabel* makeOnboardingLabel(const QString& text, const OnboardingTextStyle& style, QWidget* parent = nullptr);
// The column of a step's page, installed on `page`, with the step's title and its description at the top.
QVBoxLayout* makeOnboardingStepLayout(QWidget* page, L10nKey title, L10nKey description);
// The theme icon `themeName`, else the style's `fallback`, `size` pixels square.
QLabel* makeOnboardingSymbol(const char* themeName, QStyle::StandardPixmap fallback, int size,
                             const QString& description);
// A column that keeps a fixed-size symbol at the top without taking the row's spare width.
QVBoxLayout* makeOnboardingTopAlignedColumn(QWidget* widget);
// A check box titled `title` that stores each change through `store` and then shows what was kept (the
// store may refuse the change). `context` ends the connection.
QCheckBox* makeOnboardingStoredCheckBox(L10nKey title, const char* objectName, bool checked,
                                        std::function<bool(bool)> store, QWidget* context);
// A card around `content`, which gets the given inner margins.
QWidget* makeOnboardingCard(QLayout* content, int horizontal, int vertical);

}  // namespace quorvane
