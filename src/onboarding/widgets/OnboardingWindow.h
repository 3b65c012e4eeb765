#pragma once
// The first-run wizard: a fixed 920 x 620 window with the progress header, the page of the current step and
// Back / Next / "Start Using Quorvane". Pages are rebuilt each time they are shown, so every control shows
// the stored value; every control stores its value at once through the view model. Main thread only.

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <string>

#include "hotkeys/model/ClipboardHotkeyStatus.h"
#include "hotkeys/model/KeyComboRecorderControlDelegate.h"
#include "hotkeys/widgets/HotkeyFailureLabel.h"
#include "hotkeys/widgets/KeyComboRecorderControl.h"
#include "onboarding/model/OnboardingStep.h"
#include "platform/MainQueue.h"

class QCheckBox;
class QComboBox;
class QProgressBar;
class QRadioButton;
class QVBoxLayout;

namespace quorvane {

class NotificationCenter;
class OnboardingViewModel;
class UserDefaults;

class OnboardingWindow : public QWidget, private KeyComboRecorderControlDelegate {
    Q_OBJECT
public:
    // Everything passed must outlive the window. `onFinish` runs after the finish button's work.
    OnboardingWindow(OnboardingViewModel& viewModel, MainQueue& mainQueue, UserDefaults& defaults,
                     NotificationCenter& notifications, std::string appName, std::function<void()> onFinish,
                     QWidget* parent = nullptr);
    ~OnboardingWindow() override;

    static constexpr const char* identifier = "onboarding";

    void setFinishHandler(std::function<void()> onFinish) { onFinish_ = std::move(onFinish); }

    OnboardingStep currentStep() const { return currentStep_; }
    void showStep(OnboardingStep step);
    void goBack();
    void goNext();
    void finish();
    // Back to the welcome step, ending a recording in progress.
    void resetToFirstStep();
    void refreshAccessibilityPermissionStatus();

    QLabel* progressLabel() const { return progressLabel_; }
    QPushButton* backButton() const { return backButton_; }
    QPushButton* nextButton() const { return nextButton_; }
    QPushButton* finishButton() const { return finishButton_; }
    QWidget* page() const { return page_; }
    KeyComboRecorderControl* shortcutRecorder() const { return shortcutRecorder_; }
    HotkeyFailureLabel* shortcutFailureLabel() const { return shortcutFailure_; }
    QLabel* accessibilityStatusLabel() const { return accessibilityStatus_; }

protected:
    void changeEvent(QEvent* event) override;
    // Return presses Next, or the finish button on the last page: default buttons act only in dialogs.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void keyComboRecorderDidStartRecording(KeyComboRecorderState& recorder) override;
    void keyComboRecorderDidEndRecording(KeyComboRecorderState& recorder) override;
    void keyComboRecorder(KeyComboRecorderState& recorder, const std::optional<KeyCombo>& didRecord) override;

    void updateNavigation();
    QWidget* buildPage(OnboardingStep step);
    QWidget* buildWelcome();
    QWidget* buildTutorial();
    QWidget* buildPresentation();
    QWidget* buildRecording();
    QWidget* buildShortcut();
    QWidget* buildAccessibilitySection();
    void chooseLanguage(const QString& rawValue);
    void showShortcutFailure();

    OnboardingViewModel& viewModel_;
    MainQueue& mainQueue_;
    UserDefaults& defaults_;
    NotificationCenter& notifications_;
    std::string appName_;
    std::function<void()> onFinish_;
    OnboardingStep currentStep_ = OnboardingStep::welcome;

    QLabel* progressLabel_;
    QProgressBar* progressBar_;
    QVBoxLayout* contentLayout_;
    QPushButton* backButton_;
    QPushButton* nextButton_;
    QPushButton* finishButton_;
    QPointer<QWidget> page_;
    QPointer<KeyComboRecorderControl> shortcutRecorder_;
    QPointer<HotkeyFailureLabel> shortcutFailure_;
    Subscription hotkeyStatusChanges_;
    QPointer<QLabel> accessibilityStatus_;
    QPointer<QLabel> accessibilityDescription_;
    QPointer<QPushButton> accessibilityRequest_;
    QPointer<QPushButton> accessibilityOpenSettings_;
    Timer refreshTimer_;
};

}  // namespace quorvane
