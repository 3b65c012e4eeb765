#include "onboarding/widgets/OnboardingWindowController.h"

#include <QPointer>

#include "onboarding/widgets/OnboardingWindow.h"
#include "ui/WindowManager.h"

namespace quorvane {

OnboardingWindowController::OnboardingWindowController(WindowManager& windowManager,
                                                       OnboardingViewModel& viewModel,
                                                       ActivationPolicy& activationPolicy,
                                                       MainQueue& mainQueue, UserDefaults& defaults,
                                                       NotificationCenter& notifications, std::string appName,
                                                       QObject* parent)
    : QObject(parent),
      windowManager_(windowManager),
      viewModel_(viewModel),
      activationKeeper_(activationPolicy),
      mainQueue_(mainQueue),
      defaults_(defaults),
      notifications_(notifications),
      appName_(std::move(appName)) {}

void OnboardingWindowController::showWindow() {
    activationKeeper_.willShow();
    windowManager_.showWindow(OnboardingWindow::identifier, [this]() -> std::unique_ptr<QWidget> {
        auto window = std::make_unique<OnboardingWindow>(viewModel_, mainQueue_, defaults_, notifications_,
                                                         appName_, std::function<void()>());
        QPointer<OnboardingWindow> weak(window.get());
        window->setFinishHandler([weak] {
            if (weak) weak->close();
        });
        QPointer<OnboardingWindowController> self(this);
        connect(window.get(), &QObject::destroyed, this, [self] {
            if (self) self->activationKeeper_.didClose();
        });
        return window;
    });
}

OnboardingWindow* OnboardingWindowController::window() const {
    return qobject_cast<OnboardingWindow*>(windowManager_.window(OnboardingWindow::identifier));
}

}  // namespace quorvane
