#pragma once
// The first-run wizard: a fixed 920 x 620 window with the progress header, the page of the current step and
// Back / Next / "Start Using Quorvane". Each step is a page widget of its own, rebuilt each time it is shown,
// so every control shows the stored value; the window keeps the navigation. Main thread only.

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <string>

#include "onboarding/model/OnboardingStep.h"
#include "platform/MainQueue.h"

class QProgressBar;
class QVBoxLayout;

namespace quorvane {

class HotkeyFailureLabel;
class KeyComboRecorderControl;
class NotificationCenter;
class OnboardingShortcutPage;
class OnboardingViewModel;
class UserDefaults;

class OnboardingWindow : public QWidget {
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
    // The shortcut step's parts; null on the other steps.
    KeyComboRecorderControl* shortcutRecorder() const;
    HotkeyFailureLabel* shortcutFailureLabel() const;
    QLabel* accessibilityStatusLabel() const;

protected:
    void changeEvent(QEvent* event) override;
    // Return presses Next, or the finish button on the last page: default buttons act only in dialogs.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateNavigation();
    QWidget* buildPage(OnboardingStep step);
    QWidget* buildWelcomePage();
    QWidget* buildShortcutPage();
    void languageChosen();

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
    QPointer<OnboardingShortcutPage> shortcutPage_;
    // A request's answer comes later: the status is read again a second after it.
    Timer refreshTimer_;
};

}  // namespace quorvane
