#include "app/AppWindows.h"

#include <QApplication>

#include "app/model/AppMainMenu.h"
#include "app/widgets/AboutWindow.h"
#include "app/widgets/MainMenuShortcuts.h"
#include "onboarding/model/OnboardingViewModel.h"
#include "onboarding/widgets/OnboardingWindow.h"
#include "onboarding/widgets/OnboardingWindowController.h"
#include "platform/linux/QtTrayHost.h"
#include "preferences/AppInfo.h"
#include "settings/widgets/ClassificationCoordinator.h"
#include "settings/widgets/ClassificationWindow.h"
#include "settings/widgets/SettingsCoordinator.h"
#include "ui/WindowManager.h"

namespace quorvane {

AppWindows::AppWindows(AppAssembler& assembler, Platform platform)
    : assembler_(assembler), platform_(platform), settingsTrayHost_(std::make_unique<QtTrayHost>()) {
    fillClipboardPanelSlots();
    fillSettingsSlot();
    fillClassificationSlot();
    fillOnboardingSlot();
}

AppWindows::~AppWindows() {
    assembler_.windowFactories() = {};
    // A wizard closed now ends its recording; the hot keys are no longer ours to change.
    if (onboardingViewModel_) {
        onboardingViewModel_->onClipboardHotkeySaved = nullptr;
        onboardingViewModel_->onClipboardHotkeyRecordingChanged = nullptr;
    }
    // The registry outlives us, but these windows refer to what we own.
    WindowManager& registry = assembler_.windowManager();
    settingsCoordinator_.reset();
    delete registry.window(ClassificationWindow::identifier);
    delete registry.window(OnboardingWindow::identifier);
}

QWidget* AppWindows::onboardingWindow() const {
    return assembler_.windowManager().window(OnboardingWindow::identifier);
}

void AppWindows::installMainMenu(AppCoordinator& coordinator) {
    mainMenu_ = std::make_unique<AppMainMenu>(assembler_.appUpdater(), assembler_.mainQueue(),
                                              platform_.notificationCenter,
                                              AppInfo(assembler_.appEnvironment()).displayName());
    mainMenuShortcuts_ =
        std::make_unique<MainMenuShortcuts>(*mainMenu_, [&coordinator](AppMenuAction action) {
            switch (action) {
                case AppMenuAction::about:
                    coordinator.showAbout();
                    break;
                case AppMenuAction::checkForUpdates:
                    coordinator.checkForUpdates();
                    break;
                case AppMenuAction::openSettings:
                    coordinator.showSettings(std::nullopt);
                    break;
                case AppMenuAction::showOnboarding:
                    coordinator.showOnboarding();
                    break;
                case AppMenuAction::quit:
                    QApplication::quit();
                    break;
                default:
                    break;
            }
        });
}

AppCoordinator::Windows AppWindows::coordinatorWindows() {
    AppAssembler& assembler = assembler_;
    AppAssembler::WindowFactories& factories = assembler_.windowFactories();
    AppCoordinator::Windows windows;
    windows.startClipboardPanelCoordinator = [&assembler] {
        assembler.clipboardPanelCoordinator().registerClipboardHotkey();
        assembler.setDidStartClipboardCoordinator(true);
    };
    windows.toggleClipboardPanel = [&assembler] {
        assembler.clipboardPanelCoordinator().toggleClipboardPanel();
    };
    windows.showSettings = [&factories](const std::optional<std::string>& module) {
        if (factories.showSettings) factories.showSettings(module);
    };
    windows.showClassification = [&factories] {
        if (factories.showClassification) factories.showClassification();
    };
    NotificationCenter& notifications = platform_.notificationCenter;
    windows.makeAboutWindow = [&assembler, &notifications]() -> std::unique_ptr<WindowPresenting> {
        return std::make_unique<AboutWindowController>(assembler.windowManager(), notifications);
    };
    windows.makeOnboardingWindow = [&factories]() -> std::unique_ptr<WindowPresenting> {
        if (!factories.showOnboarding) return nullptr;
        struct Onboarding final : WindowPresenting {
            explicit Onboarding(AppAssembler::WindowFactories& owner) : owner(owner) {}
            void showWindow() override {
                if (owner.showOnboarding) owner.showOnboarding();
            }
            AppAssembler::WindowFactories& owner;
        };
        return std::make_unique<Onboarding>(factories);
    };
    return windows;
}

// ---- Clipboard panels ----
// The hot key and the tray reach the panels through the container's panel coordinator, which asks the
// activeClipboardPanelController and allClipboardPanelControllers slots for the presentations; they build a
// presentation on its first request. Until they are filled the hot key is registered and shows nothing.
void AppWindows::fillClipboardPanelSlots() {}

// ---- Settings ----
// One coordinator for the whole run, made on the first request; it builds the window each time it opens.
// The tray host and the desktop settings this desktop lacks (autostart, tray) have no buttons.
void AppWindows::fillSettingsSlot() {
    assembler_.windowFactories().showSettings = [this](const std::optional<std::string>& module) {
        if (!settingsCoordinator_) {
            AppAssembler& assembler = assembler_;
            settingsCoordinator_ = std::make_unique<SettingsCoordinator>(SettingsWindowServices{
                assembler.standardDefaults(),
                platform_.notificationCenter,
                assembler.mainQueue(),
                assembler.windowManager(),
                platform_.alertPresenter,
                assembler.hotkeyManager(),
                assembler.launchAtLoginManager(),
                *settingsTrayHost_,
                platform_.accessibilityPermissionManager,
                settingsClock_,
                assembler.distributionChannel(),
                AppInfo(assembler.appEnvironment()).displayName(),
                [&assembler] { return assembler.clipboardSearchService(); },
                [&assembler](ClipboardSearchServiceProtocol::RebuildCompletion completion) {
                    assembler.rebuildUnavailableSearchIndex(std::move(completion));
                },
                SettingsShellCallbacks::make(
                    assembler.clipboardPanelCoordinator(),
                    [&assembler] { return assembler.clipboardHistoryRepository(); },
                    assembler.standardDefaults(), assembler),
                {},
                {}});
        }
        settingsCoordinator_->showSettingsModuleNamed(module);
    };
}

// ---- Classification ----
void AppWindows::fillClassificationSlot() {
    assembler_.windowFactories().showClassification = [this] {
        if (!classificationCoordinator_) {
            classificationCoordinator_ = std::make_unique<ClassificationCoordinator>(
                assembler_.windowManager(), assembler_.standardDefaults(), platform_.alertPresenter);
        }
        classificationCoordinator_->showClassificationWindow();
    };
}

// ---- Onboarding ----
// One wizard controller and view model for the whole run; the window itself is made afresh for each showing.
void AppWindows::fillOnboardingSlot() {
    assembler_.windowFactories().showOnboarding = [this] {
        if (!onboardingWindowController_) {
            onboardingViewModel_ = std::make_unique<OnboardingViewModel>(
                assembler_.standardDefaults(), assembler_.distributionChannel(),
                platform_.accessibilityPermissionManager);
            // The shortcut recorded in the wizard replaces the clipboard hot key at once; while it records,
            // the hot key is released so the recorder receives the keystroke.
            onboardingViewModel_->onClipboardHotkeySaved = [this] {
                assembler_.clipboardPanelCoordinator().reregisterClipboardHotkey();
            };
            onboardingViewModel_->onClipboardHotkeyRecordingChanged = [this](bool recording) {
                assembler_.clipboardPanelCoordinator().setClipboardHotkeyRecording(recording);
            };
            onboardingWindowController_ = std::make_unique<OnboardingWindowController>(
                assembler_.windowManager(), *onboardingViewModel_, platform_.activationPolicy,
                assembler_.mainQueue(), assembler_.standardDefaults(), platform_.notificationCenter,
                AppInfo(assembler_.appEnvironment()).displayName());
        }
        onboardingWindowController_->showWindow();
    };
}

}  // namespace quorvane
