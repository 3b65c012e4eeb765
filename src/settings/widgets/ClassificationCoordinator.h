#pragma once
// Opens the classification window, or brings the open one to the front. Each new window reads the stored
// classification settings afresh; the window registry holds it while it is open. Made once by the
// application container. Main thread only.

namespace quorvane {

class AlertPresenter;
class UserDefaults;
class WindowManager;

class ClassificationCoordinator {
public:
    // All three must outlive the coordinator.
    ClassificationCoordinator(WindowManager& windowManager, UserDefaults& defaults, AlertPresenter& alerts);

    void showClassificationWindow();

private:
    WindowManager& windowManager_;
    UserDefaults& defaults_;
    AlertPresenter& alerts_;
};

}  // namespace quorvane
