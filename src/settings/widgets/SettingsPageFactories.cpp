#include "settings/widgets/SettingsPageFactories.h"

#include <QLabel>
#include <QVBoxLayout>

#include "settings/model/ShortcutsSettingsViewModel.h"
#include "settings/widgets/AdvancedSettingsViewController.h"
#include "settings/widgets/SettingsStyle.h"
#include "settings/widgets/ShortcutsSettingsViewController.h"

namespace quorvane {

SettingsPageFactories SettingsPageFactories::standard() {
    SettingsPageFactories factories;
    factories.set(SettingsModuleIdentifier::general, &SettingsPageFactories::makeGeneralPage);
    factories.set(SettingsModuleIdentifier::advanced, &SettingsPageFactories::makeAdvancedPage);
    return factories;
}

QWidget* SettingsPageFactories::makePage(SettingsModuleIdentifier module,
                                         SettingsWindowServices& services) const {
    const Factory& factory = factories_[indexOf(module)];
    QWidget* page = factory ? factory(services) : nullptr;
    return page ? page : makeTitledPage(module);
}

QWidget* SettingsPageFactories::makeGeneralPage(SettingsWindowServices& services) {
    auto viewModel = std::make_unique<ShortcutsSettingsViewModel>(ShortcutsSettingsViewModel::Dependencies{
        services.userDefaults, services.notificationCenter, services.hotkeyManager,
        services.launchAtLoginManager, services.alerts, services.trayHost, services.mainQueue});
    viewModel->onClipboardHotkeySaved = services.shellCallbacks.clipboardHotkeySaved;
    viewModel->onClipboardHotkeyRecordingChanged = services.shellCallbacks.clipboardHotkeyRecordingChanged;
    viewModel->onClipboardAutoCleanupPolicySaved = services.shellCallbacks.autoCleanupPolicySaved;
    viewModel->openLaunchAtLoginSystemSettingsHandler = services.openLaunchAtLoginSystemSettings;
    viewModel->openMenuBarSystemSettingsHandler = services.openMenuBarSystemSettings;
    viewModel->setClipboardHotkeyStatus(services.shellCallbacks.clipboardHotkeyStatus);
    return new ShortcutsSettingsViewController(std::move(viewModel), services.mainQueue,
                                               services.appDisplayName);
}

QWidget* SettingsPageFactories::makeAdvancedPage(SettingsWindowServices& services) {
    auto viewModel = std::make_unique<AdvancedSettingsViewModel>(AdvancedSettingsViewModel::Dependencies{
        services.userDefaults, services.distributionChannel, services.currentSearchService,
        services.rebuildUnavailableSearchIndex, services.accessibilityPermissionManager, services.alerts,
        services.mainQueue, services.clock, services.appDisplayName});
    return new AdvancedSettingsViewController(std::move(viewModel));
}

QWidget* SettingsPageFactories::makeTitledPage(SettingsModuleIdentifier module) {
    auto* page = new QWidget;
    page->setObjectName(
        QString::fromUtf8(rawValue(module).data(), static_cast<int>(rawValue(module).size())));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addWidget(makeSettingsPageTitleLabel(QString::fromStdString(title(module)), page));
    layout->addStretch(1);
    return page;
}

}  // namespace quorvane
