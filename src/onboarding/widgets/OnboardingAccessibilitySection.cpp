#include "onboarding/widgets/OnboardingAccessibilitySection.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "onboarding/model/OnboardingViewModel.h"
#include "onboarding/widgets/OnboardingStyle.h"

namespace quorvane {

OnboardingAccessibilitySection::OnboardingAccessibilitySection(OnboardingViewModel& viewModel,
                                                               std::string appName, QWidget* parent)
    : QWidget(parent), viewModel_(viewModel), appName_(std::move(appName)) {
    setObjectName("accessibilitySection");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(makeOnboardingLabel(onboardingText(L10nKey::advancedAccessibilitySection),
                                          {.weight = QFont::DemiBold}, this));
    auto* statusRow = new QHBoxLayout;
    statusRow->setSpacing(6);
    statusRow->addWidget(makeOnboardingLabel(onboardingText(L10nKey::advancedAccessibilityStatusLabel),
                                             {.scale = 0.95, .secondary = true}, this));
    status_ = makeOnboardingLabel(onboardingText(L10nKey::advancedAccessibilityChecking),
                                  {.scale = 0.95, .weight = QFont::Medium, .secondary = true}, this);
    statusRow->addWidget(status_);
    statusRow->addStretch(1);
    layout->addLayout(statusRow);
    description_ = makeOnboardingLabel(QString(), {.scale = 0.95, .secondary = true, .wraps = true}, this);
    layout->addWidget(description_);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    request_ = new QPushButton(onboardingText(L10nKey::advancedRequestAccessibilityPermission), this);
    openSettings_ = new QPushButton(onboardingText(L10nKey::advancedOpenAccessibilitySettings), this);
    buttons->addWidget(request_);
    buttons->addWidget(openSettings_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addWidget(makeOnboardingLabel(onboardingText(L10nKey::advancedAccessibilityNotListedHint),
                                          {.scale = 0.9, .secondary = true, .wraps = true}, this));
    connect(request_, &QPushButton::clicked, this, [this] {
        viewModel_.requestAccessibilityPermission();
        emit permissionRequested();
    });
    connect(openSettings_, &QPushButton::clicked, this, [this] { viewModel_.openAccessibilitySettings(); });
}

void OnboardingAccessibilitySection::refresh() {
    const auto presentation =
        viewModel_.accessibilityPresentation(viewModel_.accessibilityPermissionStatus(), appName_);
    status_->setText(QString::fromStdString(presentation.statusText));
    QPalette palette = status_->palette();
    QColor color = this->palette().color(QPalette::WindowText);
    switch (presentation.tone) {
        case OnboardingStatusTone::positive:
            color = QColor(0x34, 0xa8, 0x53);
            break;
        case OnboardingStatusTone::negative:
            color = QColor(0xe0, 0x3e, 0x36);
            break;
        case OnboardingStatusTone::caution:
            color = QColor(0xf0, 0x8c, 0x00);
            break;
        case OnboardingStatusTone::neutral:
            color.setAlphaF(0.62);
            break;
    }
    palette.setColor(QPalette::WindowText, color);
    status_->setPalette(palette);
    description_->setText(QString::fromStdString(presentation.description));
    request_->setText(QString::fromStdString(presentation.requestButtonTitle));
    request_->setVisible(presentation.buttonsVisible);
    openSettings_->setVisible(presentation.openSettingsButtonVisible);
}

}  // namespace quorvane
