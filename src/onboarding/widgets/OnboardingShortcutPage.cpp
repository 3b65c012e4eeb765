#include "onboarding/widgets/OnboardingShortcutPage.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "hotkeys/model/ClipboardHotkeyStatus.h"
#include "hotkeys/widgets/HotkeyFailureLabel.h"
#include "hotkeys/widgets/KeyComboRecorderControl.h"
#include "l10n/L10n.h"
#include "onboarding/model/OnboardingViewModel.h"
#include "onboarding/widgets/OnboardingAccessibilitySection.h"
#include "onboarding/widgets/OnboardingNoteLabel.h"
#include "onboarding/widgets/OnboardingStyle.h"

namespace quorvane {

OnboardingShortcutPage::OnboardingShortcutPage(OnboardingViewModel& viewModel, MainQueue& mainQueue,
                                               const std::string& appName, QWidget* parent)
    : QWidget(parent), viewModel_(viewModel) {
    auto* layout = makeOnboardingStepLayout(this, L10nKey::onboardingEntryPointsTitle,
                                            L10nKey::onboardingEntryPointsDescription);
    auto* content = new QVBoxLayout;
    content->setSpacing(14);
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->addWidget(makeOnboardingLabel(onboardingText(L10nKey::onboardingClipboardHistoryHotkeyLabel), {}));
    recorder_ = new KeyComboRecorderControl(mainQueue);
    recorder_->setPlaceholder(L10n::text(L10nKey::generalRecordShortcutPlaceholder));
    recorder_->setKeyCombo(viewModel_.loadClipboardHotkey());
    recorder_->setFixedSize(std::max(190, recorder_->sizeHint().width()), 34);
    recorder_->updateDisplay();
    recorder_->setDelegate(this);
    row->addWidget(recorder_);
    const auto defaultCombo = KeyCombo::defaultClipboardHistory();
    auto* useDefault = new QPushButton(
        QString::fromStdString(L10n::text(L10nKey::onboardingUseShortcut, defaultCombo.displayString())));
    useDefault->setObjectName("useDefaultShortcut");
    connect(useDefault, &QPushButton::clicked, this, [this, defaultCombo] {
        viewModel_.saveClipboardHotkey(defaultCombo);
        recorder_->setKeyCombo(defaultCombo);
        recorder_->updateDisplay();
    });
    row->addWidget(useDefault);
    row->addStretch(1);
    content->addLayout(row);
    failure_ = new HotkeyFailureLabel;
    content->addWidget(failure_);
    showFailure();
    if (viewModel_.clipboardHotkeyStatus) {
        hotkeyStatusChanges_ =
            viewModel_.clipboardHotkeyStatus->observeClipboardHotkeyStatus([this] { showFailure(); });
    }

    content->addWidget(makeOnboardingStoredCheckBox(
        L10nKey::onboardingShowMenuBarIcon, "menuBarIcon", viewModel_.menuBarShowIcon(),
        [this](bool show) { return viewModel_.setMenuBarShowIcon(show); }, this));
    content->addWidget(makeOnboardingLabel(onboardingText(L10nKey::onboardingMenuBarIconDescription),
                                           {.scale = 0.95, .secondary = true, .wraps = true}));
    if (viewModel_.distributionChannel() == DistributionChannel::direct) {
        auto* line = new QFrame;
        line->setFrameShape(QFrame::HLine);
        line->setForegroundRole(QPalette::Mid);
        content->addWidget(line);
        accessibility_ = new OnboardingAccessibilitySection(viewModel_, appName);
        content->addWidget(accessibility_);
    }
    layout->addWidget(makeOnboardingCard(content, 18, 16));
    layout->addWidget(new OnboardingNoteLabel(QString::fromStdString(
        L10n::text(L10nKey::onboardingRecommendedShortcut, defaultCombo.displayString()))));
    layout->addStretch(1);
}

OnboardingShortcutPage::~OnboardingShortcutPage() {
    hotkeyStatusChanges_.reset();
    // While the page is whole: the recorder reports the end of a recording to us.
    endRecording();
}

void OnboardingShortcutPage::endRecording() {
    recorder_->stopRecording();
    recorder_->setDelegate(nullptr);
}

void OnboardingShortcutPage::showFailure() {
    failure_->setFailure(viewModel_.clipboardHotkeyFailureText());
}

void OnboardingShortcutPage::keyComboRecorderDidStartRecording(KeyComboRecorderState&) {
    if (viewModel_.onClipboardHotkeyRecordingChanged) viewModel_.onClipboardHotkeyRecordingChanged(true);
}

void OnboardingShortcutPage::keyComboRecorderDidEndRecording(KeyComboRecorderState&) {
    if (viewModel_.onClipboardHotkeyRecordingChanged) viewModel_.onClipboardHotkeyRecordingChanged(false);
}

void OnboardingShortcutPage::keyComboRecorder(KeyComboRecorderState&,
                                              const std::optional<KeyCombo>& didRecord) {
    if (didRecord) viewModel_.saveClipboardHotkey(*didRecord);
}

}  // namespace quorvane
