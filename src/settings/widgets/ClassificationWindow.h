#pragma once
// The classification window: a tab bar ("System", "User Rules", "Test") over the selected tab. The three tabs
// share the window's view model and are built once, so each keeps its state across tab switches. The shown
// page follows the tab bar's current tab however it changed (click, arrow keys, wheel, a screen reader's
// action); only the shown page is in the accessible tree. Main thread only.

#include <QWidget>
#include <memory>

class QStackedLayout;
class QTabBar;

namespace quorvane {

class AlertPresenter;
class ClassificationSettingsViewModel;
class ClassificationSystemTab;
class ClassificationTestTab;
class ClassificationUserRulesTab;

class ClassificationWindow : public QWidget {
    Q_OBJECT
public:
    ClassificationWindow(std::unique_ptr<ClassificationSettingsViewModel> viewModel, AlertPresenter& alerts,
                         QWidget* parent = nullptr);
    ~ClassificationWindow() override;

    static constexpr const char* identifier = "classification";

    ClassificationSettingsViewModel& viewModel() { return *viewModel_; }
    QTabBar* tabBar() const { return tabBar_; }
    ClassificationSystemTab* systemTab() const { return systemTab_; }
    ClassificationUserRulesTab* userRulesTab() const { return userRulesTab_; }
    ClassificationTestTab* testTab() const { return testTab_; }
    // An index past the last tab is ignored.
    void selectTab(int index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // 900 x 720 (less on a smaller screen), centred with its `decoration` on the screen of the pointer.
    void placeOnScreen(QSize decoration = QSize(0, 0));

    std::unique_ptr<ClassificationSettingsViewModel> viewModel_;
    QTabBar* tabBar_;
    QStackedLayout* stack_;
    ClassificationSystemTab* systemTab_;
    ClassificationUserRulesTab* userRulesTab_;
    ClassificationTestTab* testTab_;
    QPoint placedAt_;
    bool firstShown_ = false;
};

}  // namespace quorvane
