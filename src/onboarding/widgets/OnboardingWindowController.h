#pragma once
// Shows the onboarding wizard through the window registry and keeps the activation policy while it is open.
// The registry releases the window when it closes, so the next showing starts again at the welcome step.
// Made once by the application container. Main thread only.

#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "onboarding/model/OnboardingActivationKeeper.h"

namespace quorvane {

class ActivationPolicy;
class MainQueue;
class NotificationCenter;
class OnboardingViewModel;
class OnboardingWindow;
class UserDefaults;
class WindowManager;

class OnboardingWindowController : public QObject {
    Q_OBJECT
public:
    // Everything passed must outlive the controller.
    OnboardingWindowController(WindowManager& windowManager, OnboardingViewModel& viewModel,
                               ActivationPolicy& activationPolicy, MainQueue& mainQueue,
                               UserDefaults& defaults, NotificationCenter& notifications, std::string appName,
                               QObject* parent = nullptr);

    void showWindow();
    // The open wizard, or null.
    OnboardingWindow* window() const;

private:
    WindowManager& windowManager_;
    OnboardingViewModel& viewModel_;
    OnboardingActivationKeeper activationKeeper_;
    MainQueue& mainQueue_;
    UserDefaults& defaults_;
    NotificationCenter& notifications_;
    std::string appName_;
};

}  // namespace quorvane
