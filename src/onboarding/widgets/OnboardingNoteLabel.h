#pragma once

// The rounded note under a step's controls: centred, wrapping text on a light tint of the palette's accent,
// repainted from the palette so light and dark both read. Main thread only.

#include <QLabel>

namespace quorvane {

class OnboardingNoteLabel : public QLabel {
    Q_OBJECT
public:
    explicit OnboardingNoteLabel(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace quorvane
