#pragma once

// The last onboarding step: the clipboard hot key's recorder with "Use <default>", the line that says when
// another program holds the shortcut, the tray icon switch and, in the direct build, the accessibility
// section. A recorded shortcut is stored at once; while the recorder records, the view model is told so the
// hot key can be released. Main thread only.

#include <QWidget>
#include <optional>
#include <string>

#include "hotkeys/model/KeyComboRecorderControlDelegate.h"
#include "platform/MainQueue.h"

namespace quorvane {

class HotkeyFailureLabel;
class KeyComboRecorderControl;
class OnboardingAccessibilitySection;
class OnboardingViewModel;

class OnboardingShortcutPage : public QWidget, private KeyComboRecorderControlDelegate {
    Q_OBJECT
public:
    // `viewModel` and `mainQueue` must outlive the page.
    OnboardingShortcutPage(OnboardingViewModel& viewModel, MainQueue& mainQueue, const std::string& appName,
                           QWidget* parent = nullptr);
    // Ends a recording in progress.
    ~OnboardingShortcutPage() override;

    // Ends a recording in progress, so the hot key comes back, and hears the recorder no more. For a page
    // that is left but released later.
    void endRecording();

    KeyComboRecorderControl* recorder() const { return recorder_; }
    HotkeyFailureLabel* failureLabel() const { return failure_; }
    // Null outside the direct build.
    OnboardingAccessibilitySection* accessibilitySection() const { return accessibility_; }

private:
    void keyComboRecorderDidStartRecording(KeyComboRecorderState& recorder) override;
    void keyComboRecorderDidEndRecording(KeyComboRecorderState& recorder) override;
    void keyComboRecorder(KeyComboRecorderState& recorder, const std::optional<KeyCombo>& didRecord) override;
    void showFailure();

    OnboardingViewModel& viewModel_;
    KeyComboRecorderControl* recorder_ = nullptr;
    HotkeyFailureLabel* failure_ = nullptr;
    OnboardingAccessibilitySection* accessibility_ = nullptr;
    Subscription hotkeyStatusChanges_;
};

}  // namespace quorvane
