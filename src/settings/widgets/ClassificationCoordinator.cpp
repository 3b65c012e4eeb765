#include "settings/widgets/ClassificationCoordinator.h"

#include "base/Logger.h"
#include "classification/LocalClipboardClassificationService.h"
#include "settings/model/ClassificationSettingsViewModel.h"
#include "settings/widgets/ClassificationWindow.h"
#include "ui/WindowManager.h"

namespace quorvane {

ClassificationCoordinator::ClassificationCoordinator(WindowManager& windowManager, UserDefaults& defaults,
                                                     AlertPresenter& alerts)
    : windowManager_(windowManager), defaults_(defaults), alerts_(alerts) {}

void ClassificationCoordinator::showClassificationWindow() {
    // Built only when none is open, so an open window keeps its state.
    windowManager_.showWindow(ClassificationWindow::identifier, [this]() -> std::unique_ptr<QWidget> {
        auto viewModel = std::make_unique<ClassificationSettingsViewModel>(
            defaults_, std::make_unique<LocalClipboardClassificationService>());
        return std::make_unique<ClassificationWindow>(std::move(viewModel), alerts_);
    });
}

}  // namespace quorvane
