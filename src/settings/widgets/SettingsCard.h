#pragma once
// The rounded, bordered card that groups a page's controls: a slightly lifted palette base colour with a
// separator-coloured border, repainted from the palette so light and dark both read. Main thread only.

#include <QFrame>

class QLabel;

namespace quorvane {

// Secondary text: the window text colour at reduced opacity, so it follows light and dark palettes.
void applySecondaryLabelStyle(QWidget* label);
// Makes `label` the visible title of `control` and names the control after it, without the trailing colon,
// so a screen reader says what the field is for.
void nameAfterLabel(QLabel* label, QWidget* control);

class SettingsCard : public QFrame {
    Q_OBJECT
public:
    explicit SettingsCard(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace quorvane
