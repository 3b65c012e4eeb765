#include "onboarding/widgets/OnboardingRecordingPage.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "onboarding/model/OnboardingViewModel.h"
#include "onboarding/widgets/OnboardingNoteLabel.h"
#include "onboarding/widgets/OnboardingStyle.h"

namespace quorvane {

OnboardingRecordingPage::OnboardingRecordingPage(OnboardingViewModel& viewModel, QWidget* parent)
    : QWidget(parent) {
    auto* layout = makeOnboardingStepLayout(this, L10nKey::onboardingRecordingTitle,
                                            L10nKey::onboardingRecordingDescription);
    auto* boxes = new QVBoxLayout;
    boxes->setSpacing(12);
    boxes->addWidget(makeOnboardingStoredCheckBox(
        L10nKey::onboardingCaptureText, "captureText", viewModel.textCaptureEnabled(),
        [&viewModel](bool on) { return viewModel.setTextCaptureEnabled(on); }, this));
    boxes->addWidget(makeOnboardingStoredCheckBox(
        L10nKey::onboardingCaptureImages, "captureImages", viewModel.imageCaptureEnabled(),
        [&viewModel](bool on) { return viewModel.setImageCaptureEnabled(on); }, this));
    layout->addWidget(makeOnboardingCard(boxes, 18, 16));
    layout->addWidget(new OnboardingNoteLabel(onboardingText(L10nKey::onboardingRecordingPrivacy)));
    layout->addStretch(1);
}

}  // namespace quorvane
