#include "onboarding/widgets/OnboardingWindow.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "l10n/L10n.h"
#include "onboarding/model/OnboardingViewModel.h"
#include "onboarding/widgets/OnboardingAccessibilitySection.h"
#include "onboarding/widgets/OnboardingPresentationPage.h"
#include "onboarding/widgets/OnboardingRecordingPage.h"
#include "onboarding/widgets/OnboardingShortcutPage.h"
#include "onboarding/widgets/OnboardingStyle.h"
#include "onboarding/widgets/OnboardingTutorialPage.h"
#include "onboarding/widgets/OnboardingWelcomePage.h"
#include "settings/widgets/SettingsCard.h"
#include "ui/WheelPassThrough.h"

namespace quorvane {

OnboardingWindow::OnboardingWindow(OnboardingViewModel& viewModel, MainQueue& mainQueue,
                                   UserDefaults& defaults, NotificationCenter& notifications,
                                   std::string appName, std::function<void()> onFinish, QWidget* parent)
    : QWidget(parent),
      viewModel_(viewModel),
      mainQueue_(mainQueue),
      defaults_(defaults),
      notifications_(notifications),
      appName_(std::move(appName)),
      onFinish_(std::move(onFinish)),
      progressLabel_(new QLabel),
      progressBar_(new QProgressBar),
      contentLayout_(new QVBoxLayout),
      backButton_(new QPushButton),
      nextButton_(new QPushButton),
      finishButton_(new QPushButton) {
    setObjectName(identifier);
    setWindowTitle(onboardingText(L10nKey::onboardingWelcomeTitle));
    setFixedSize(920, 620);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(56, 38, 56, 34);
    layout->setSpacing(0);
    QFont progressFont = progressLabel_->font();
    progressFont.setWeight(QFont::DemiBold);
    progressLabel_->setFont(progressFont);
    applySecondaryLabelStyle(progressLabel_);
    layout->addWidget(progressLabel_);
    layout->addSpacing(8);
    progressBar_->setTextVisible(false);
    progressBar_->setFixedHeight(6);
    progressBar_->setMinimum(0);
    layout->addWidget(progressBar_);
    layout->addSpacing(28);
    contentLayout_->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(contentLayout_, 1);
    layout->addSpacing(26);
    auto* footer = new QHBoxLayout;
    footer->setSpacing(10);
    footer->addWidget(backButton_);
    footer->addStretch(1);
    footer->addWidget(nextButton_);
    footer->addWidget(finishButton_);
    backButton_->setMinimumWidth(82);
    nextButton_->setMinimumWidth(92);
    finishButton_->setMinimumWidth(148);
    layout->addLayout(footer);

    connect(backButton_, &QPushButton::clicked, this, [this] { goBack(); });
    connect(nextButton_, &QPushButton::clicked, this, [this] { goNext(); });
    connect(finishButton_, &QPushButton::clicked, this, [this] { finish(); });
    showStep(OnboardingStep::welcome);
}

// The shortcut page ends a recording as it goes.
OnboardingWindow::~OnboardingWindow() = default;

void OnboardingWindow::showStep(OnboardingStep step) {
    currentStep_ = step;
    // The page left goes only later: its recording ends now.
    if (shortcutPage_) shortcutPage_->endRecording();
    shortcutPage_ = nullptr;
    if (page_) {
        contentLayout_->removeWidget(page_);
        page_->hide();
        page_->deleteLater();
    }
    page_ = buildPage(step);
    WheelPassThrough::applyToChildren(page_);
    contentLayout_->addWidget(page_);
    updateNavigation();
    refreshAccessibilityPermissionStatus();
}

void OnboardingWindow::updateNavigation() {
    const auto state = onboardingNavigationState(viewModel_.distributionChannel(), currentStep_);
    progressLabel_->setText(QString::fromStdString(state.progressText));
    progressBar_->setMaximum(static_cast<int>(state.stepCount));
    progressBar_->setValue(static_cast<int>(state.index + 1));
    backButton_->setText(onboardingText(L10nKey::onboardingBack));
    nextButton_->setText(onboardingText(L10nKey::onboardingNext));
    finishButton_->setText(onboardingText(L10nKey::onboardingStartUsing));
    backButton_->setEnabled(state.backEnabled);
    // Each step starts with the focus on the way forward, moved before its button hides (Qt would hand it
    // on to Back): on some desktops Return presses the focused button, whichever it is.
    QPushButton* forward = state.isLastStep ? finishButton_ : nextButton_;
    QPushButton* hidden = state.isLastStep ? nextButton_ : finishButton_;
    forward->setVisible(true);
    forward->setDefault(true);
    hidden->setDefault(false);
    forward->setFocus(Qt::OtherFocusReason);
    hidden->setVisible(false);
}

void OnboardingWindow::goBack() {
    const auto previous = onboardingPreviousStep(viewModel_.distributionChannel(), currentStep_);
    if (previous != currentStep_) showStep(previous);
}

void OnboardingWindow::goNext() {
    const auto next = onboardingNextStep(viewModel_.distributionChannel(), currentStep_);
    if (next != currentStep_) showStep(next);
}

void OnboardingWindow::finish() {
    viewModel_.finish();
    if (onFinish_) onFinish_();
}

void OnboardingWindow::resetToFirstStep() {
    showStep(OnboardingStep::welcome);
}

void OnboardingWindow::keyPressEvent(QKeyEvent* event) {
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        QPushButton* button = nextButton_->isVisible() ? nextButton_ : finishButton_;
        if (button->isVisible() && button->isEnabled()) {
            button->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void OnboardingWindow::changeEvent(QEvent* event) {
    // Coming back to the window: the user may have granted the permission meanwhile.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        QPointer<OnboardingWindow> self(this);
        mainQueue_.post([self] {
            if (self) self->refreshAccessibilityPermissionStatus();
        });
    }
    QWidget::changeEvent(event);
}

QWidget* OnboardingWindow::buildPage(OnboardingStep step) {
    switch (step) {
        case OnboardingStep::welcome:
            return buildWelcomePage();
        case OnboardingStep::tutorial:
            return new OnboardingTutorialPage;
        case OnboardingStep::presentation:
            return new OnboardingPresentationPage(viewModel_);
        case OnboardingStep::recording:
            return new OnboardingRecordingPage(viewModel_);
        case OnboardingStep::shortcut:
            return buildShortcutPage();
    }
    return buildWelcomePage();
}

QWidget* OnboardingWindow::buildWelcomePage() {
    auto* page = new OnboardingWelcomePage(defaults_, notifications_, appName_);
    connect(page, &OnboardingWelcomePage::languageChosen, this, [this] { languageChosen(); });
    return page;
}

QWidget* OnboardingWindow::buildShortcutPage() {
    auto* page = new OnboardingShortcutPage(viewModel_, mainQueue_, appName_);
    shortcutPage_ = page;
    if (auto* section = page->accessibilitySection()) {
        connect(section, &OnboardingAccessibilitySection::permissionRequested, this, [this] {
            QPointer<OnboardingWindow> self(this);
            refreshTimer_ = mainQueue_.postAfter(1.0, [self] {
                if (self) self->refreshAccessibilityPermissionStatus();
            });
        });
    }
    return page;
}

void OnboardingWindow::languageChosen() {
    setWindowTitle(onboardingText(L10nKey::onboardingWelcomeTitle));
    // Rebuilt after the popup's own signal has returned, so the popup is not deleted inside it.
    QPointer<OnboardingWindow> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (self) self->showStep(self->currentStep_);
        },
        Qt::QueuedConnection);
}

void OnboardingWindow::refreshAccessibilityPermissionStatus() {
    if (shortcutPage_ && shortcutPage_->accessibilitySection())
        shortcutPage_->accessibilitySection()->refresh();
}

KeyComboRecorderControl* OnboardingWindow::shortcutRecorder() const {
    return shortcutPage_ ? shortcutPage_->recorder() : nullptr;
}

HotkeyFailureLabel* OnboardingWindow::shortcutFailureLabel() const {
    return shortcutPage_ ? shortcutPage_->failureLabel() : nullptr;
}

QLabel* OnboardingWindow::accessibilityStatusLabel() const {
    if (!shortcutPage_ || !shortcutPage_->accessibilitySection()) return nullptr;
    return shortcutPage_->accessibilitySection()->statusLabel();
}

}  // namespace quorvane
