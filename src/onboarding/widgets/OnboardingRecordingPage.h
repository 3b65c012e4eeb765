#pragma once

// The onboarding step that chooses what is recorded: text, images, or both (never neither), stored at once
// through the view model, with the note on privacy. Main thread only.

#include <QWidget>

namespace quorvane {

class OnboardingViewModel;

class OnboardingRecordingPage : public QWidget {
    Q_OBJECT
public:
    // `viewModel` must outlive the page.
    explicit OnboardingRecordingPage(OnboardingViewModel& viewModel, QWidget* parent = nullptr);
};

}  // namespace quorvane
