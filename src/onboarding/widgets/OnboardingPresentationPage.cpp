#include "onboarding/widgets/OnboardingPresentationPage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include "onboarding/model/OnboardingViewModel.h"
#include "onboarding/widgets/OnboardingNoteLabel.h"
#include "onboarding/widgets/OnboardingStyle.h"

namespace quorvane {

OnboardingPresentationPage::OnboardingPresentationPage(OnboardingViewModel& viewModel, QWidget* parent)
    : QWidget(parent), viewModel_(viewModel) {
    auto* layout =
        makeOnboardingStepLayout(this, L10nKey::onboardingPanelTitle, L10nKey::onboardingPanelDescription);
    const auto mode = viewModel_.presentationMode();
    const struct {
        DirectClipboardPresentationMode mode;
        const char* icon;
        QStyle::StandardPixmap fallback;
        L10nKey title;
        L10nKey description;
        QRadioButton*& button;
    } options[] = {
        {DirectClipboardPresentationMode::centered, "window-new", QStyle::SP_TitleBarMaxButton,
         L10nKey::onboardingStandardPanel, L10nKey::onboardingStandardPanelDescription, centered_},
        {DirectClipboardPresentationMode::floating, "insert-text", QStyle::SP_DesktopIcon,
         L10nKey::onboardingFloatingPanel, L10nKey::onboardingFloatingPanelDescription, floating_},
    };
    for (const auto& option : options) {
        auto* optionLayout = new QHBoxLayout;
        optionLayout->setSpacing(12);
        optionLayout->addLayout(makeOnboardingTopAlignedColumn(
            makeOnboardingSymbol(option.icon, option.fallback, 28, onboardingText(option.title))));
        auto* texts = new QVBoxLayout;
        texts->setSpacing(4);
        auto* radio = new QRadioButton(onboardingText(option.title));
        radio->setObjectName(QString::fromUtf8(rawValue(option.mode).data()));
        // Both buttons write the setting and show what it kept, so a click on the chosen one leaves it on.
        radio->setAutoExclusive(false);
        radio->setChecked(mode == option.mode);
        option.button = radio;
        texts->addWidget(radio);
        texts->addWidget(makeOnboardingLabel(onboardingText(option.description),
                                             {.scale = 0.95, .secondary = true, .wraps = true}));
        optionLayout->addLayout(texts, 1);
        layout->addWidget(makeOnboardingCard(optionLayout, 18, 16));
    }
    for (const auto& option : options) {
        connect(option.button, &QRadioButton::toggled, this,
                [this, chosen = option.mode] { choose(chosen); });
    }
    layout->addWidget(new OnboardingNoteLabel(onboardingText(L10nKey::onboardingPanelSwitchLater)));
    layout->addStretch(1);
}

void OnboardingPresentationPage::choose(DirectClipboardPresentationMode mode) {
    const auto stored = viewModel_.setPresentationMode(mode);
    const QSignalBlocker blockCentered(centered_);
    const QSignalBlocker blockFloating(floating_);
    centered_->setChecked(stored == DirectClipboardPresentationMode::centered);
    floating_->setChecked(stored == DirectClipboardPresentationMode::floating);
}

}  // namespace quorvane
