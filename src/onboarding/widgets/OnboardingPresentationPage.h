#pragma once

// The onboarding step that chooses how the hot key shows the history: the centred panel or the floating
// panel at the text cursor. The choice is stored at once through the view model. Main thread only.

#include <QWidget>

#include "preferences/DirectClipboardPresentationMode.h"

class QRadioButton;

namespace quorvane {

class OnboardingViewModel;

class OnboardingPresentationPage : public QWidget {
    Q_OBJECT
public:
    // `viewModel` must outlive the page.
    explicit OnboardingPresentationPage(OnboardingViewModel& viewModel, QWidget* parent = nullptr);

private:
    void choose(DirectClipboardPresentationMode mode);

    OnboardingViewModel& viewModel_;
    QRadioButton* centered_ = nullptr;
    QRadioButton* floating_ = nullptr;
};

}  // namespace quorvane
