#include "settings/widgets/SettingsCoordinator.h"

#include "base/Logger.h"
#include "settings/widgets/SettingsWindowController.h"
#include "ui/WindowManager.h"

namespace quorvane {

SettingsCoordinator::SettingsCoordinator(SettingsWindowServices services, SettingsPageFactories factories,
                                         QObject* parent)
    : QObject(parent), services_(std::move(services)), factories_(std::move(factories)) {}

SettingsCoordinator::~SettingsCoordinator() {
    delete window_.data();
}

void SettingsCoordinator::showSettings(std::optional<SettingsModuleIdentifier> module) {
    if (module) lastModule_ = *module;
    if (window_) {
        window_->selectModule(lastModule_);
    }
    QWidget* shown = services_.windowManager.showWindow(
        SettingsWindowController::identifier, [this]() -> std::unique_ptr<QWidget> {
            auto window = std::make_unique<SettingsWindowController>(services_, factories_, lastModule_);
            connect(window.get(), &SettingsWindowController::moduleSelected, this,
                    [this](SettingsModuleIdentifier selected) { lastModule_ = selected; });
            window_ = window.get();
            return window;
        });
    if (auto* window = qobject_cast<SettingsWindowController*>(shown)) window->requestFocusReset();
}

void SettingsCoordinator::showSettingsModuleNamed(const std::optional<std::string>& moduleName) {
    if (!moduleName) return showSettings(std::optional<SettingsModuleIdentifier>());
    const auto module = settingsModuleIdentifierFromRawValue(*moduleName);
    if (!module) Logger::warning("Unknown settings module: " + *moduleName, "SettingsCoordinator");
    showSettings(module);
}

}  // namespace quorvane
