#pragma once

// The onboarding step that shows the workflow: three tiles (copy as usual, open the history with the hot key,
// pick and paste) beside the looping animation of the panel in use, in the interface language.
// Main thread only.

#include <QWidget>

namespace quorvane {

class OnboardingTutorialPage : public QWidget {
    Q_OBJECT
public:
    explicit OnboardingTutorialPage(QWidget* parent = nullptr);
};

}  // namespace quorvane
