#pragma once
// The rounded, bordered card that groups a page's controls: a slightly lifted palette base colour with a
// separator-coloured border, repainted from the palette so light and dark both read. Main thread only.

#include <QFrame>

namespace quorvane {

// Secondary text: the window text colour at reduced opacity, so it follows light and dark palettes.
void applySecondaryLabelStyle(QWidget* label);

class SettingsCard : public QFrame {
    Q_OBJECT
public:
    explicit SettingsCard(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace quorvane
