#include "app/AppWindows.h"

#include <QApplication>

#include "app/model/AppMainMenu.h"
#include "app/widgets/AboutWindow.h"
#include "app/widgets/MainMenuShortcuts.h"
#include "capture/ClipboardImageTextRecognizer.h"
#include "floating/widgets/FloatingPanelAssembly.h"
#include "history/ClipboardHistoryRepository.h"
#include "onboarding/model/OnboardingViewModel.h"
#include "onboarding/widgets/OnboardingWindow.h"
#include "onboarding/widgets/OnboardingWindowController.h"
#include "panel/model/ClipboardItemActions.h"
#include "panel/model/ClipboardPanelViewModel.h"
#include "panel/widgets/ClipboardDetailView.h"
#include "panel/widgets/ClipboardDragMimeData.h"
#include "panel/widgets/ClipboardPanelAssembly.h"
#include "panel/widgets/ClipboardPanelController.h"
#include "panel/widgets/OCRWindowPresenter.h"
#include "panel/widgets/PinWindow.h"
#include "platform/linux/QtApplicationFilePicker.h"
#include "platform/linux/QtFolderPicker.h"
#include "platform/linux/QtTrayHost.h"
#include "preferences/AppInfo.h"
#include "preferences/SettingsAccessors.h"
#include "settings/widgets/ClassificationCoordinator.h"
#include "settings/widgets/ClassificationWindow.h"
#include "settings/widgets/IgnoredAppsSettingsView.h"
#include "settings/widgets/SettingsCoordinator.h"
#include "settings/widgets/StorageSettingsView.h"
#include "system/DataDirectoryMigrator.h"
#include "ui/WindowManager.h"

namespace quorvane {

AppWindows::AppWindows(AppAssembler& assembler, Platform platform)
    : assembler_(assembler), platform_(platform) {
    const ClipboardPanelServices shared = panelServices();
    fillClipboardPanelSlots(shared);
    fillFloatingPanelSlots(shared);
    fillSettingsSlot();
    fillClassificationSlot();
    fillOnboardingSlot();
    // Files dragged out in earlier runs and left over a day go; a worker does it.
    scheduleDragFileCleanup();
}

AppWindows::~AppWindows() {
    assembler_.windowFactories() = {};
    assembler_.onClipboardServicesReplaced = nullptr;
    historyObservation_.reset();
    floatingPanel_.reset();
    clipboardPanel_.reset();
    // A wizard closed now ends its recording; the hot keys are no longer ours to change.
    if (onboardingViewModel_) {
        onboardingViewModel_->onClipboardHotkeySaved = nullptr;
        onboardingViewModel_->onClipboardHotkeyRecordingChanged = nullptr;
        onboardingViewModel_->clipboardHotkeyStatus = nullptr;
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
    windows.storageRefusal = [&assembler]() -> std::optional<MenuBarStorageNotice> {
        const DataDirectoryManager& folder = assembler.dataDirectoryManager();
        if (!folder.storageRefusal()) return std::nullopt;
        return MenuBarStorageNotice{StorageSettingsViewModel::storageRefusalMenuTitle(folder),
                                    StorageSettingsViewModel::storageRefusalText(folder)};
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
void AppWindows::startInitialPanelLoad() {
    clipboardPanel_->viewModel().loadClipboardItems(false);
}

void AppWindows::prepareFirstPress() {
    floatingPanel_->prepareCaretLookup();
}

bool AppWindows::hasCaretLookup() const {
    return floatingPanel_->hasCaretLookup();
}

// What both panels ask of the shell from their footers.
void AppWindows::openSettingsFromPanel() {
    if (assembler_.windowFactories().showSettings) assembler_.windowFactories().showSettings(std::nullopt);
}

ClipboardFooterUpdateState AppWindows::footerUpdateState() {
    const auto availability = assembler_.appUpdater().state().availability;
    return ClipboardFooterUpdateState{
        availability.kind == AppUpdateAvailability::Kind::updateAvailable, availability.version,
        assembler_.isHistoryDamaged(),
        StorageSettingsViewModel::storageRefusalText(assembler_.dataDirectoryManager())};
}

// What both panels take; made once, and each panel assembly gets its copy.
ClipboardPanelServices AppWindows::panelServices() {
    AppAssembler& assembler = assembler_;
    return ClipboardPanelServices{[&assembler] { return assembler.clipboardHistoryManager(); },
                                  [&assembler] { return assembler.clipboardSearchService(); },
                                  assembler.mainQueue(),
                                  assembler.clock(),
                                  assembler.standardDefaults(),
                                  assembler.pasteboard(),
                                  platform_.accessibilityPermissionManager,
                                  assembler.appIdentityResolver(),
                                  assembler.distributionChannel(),
                                  [this] { return pasteBack(); },
                                  [this] { openSettingsFromPanel(); },
                                  [this] { return footerUpdateState(); },
                                  [&assembler] { assembler.appUpdater().checkForUpdates(); },
                                  [&assembler] { return assembler.hotkeyManager().lastHotkeyTimestamp(); }};
}

void AppWindows::fillClipboardPanelSlots(const ClipboardPanelServices& shared) {
    clipboardPanel_ = std::make_unique<ClipboardPanelAssembly>(
        ClipboardPanelAssembly::Services{shared, assembler_.applicationCatalog()});
    // Both presentations share this view model: after a storage move it lists from the new history.
    assembler_.onClipboardServicesReplaced = [this] {
        if (auto* viewModel = clipboardPanel_->builtViewModel())
            viewModel->replaceServices(assembler_.clipboardHistoryManager(),
                                       assembler_.clipboardSearchService());
    };
    historyObservation_ = platform_.notificationCenter.addObserver(clipboardHistoryDidChange, [this] {
        if (auto* viewModel = clipboardPanel_->builtViewModel()) viewModel->historyDidChange();
    });
    auto& factories = assembler_.windowFactories();
    factories.activeClipboardPanelController = [this]() -> ClipboardPanelControlling* {
        const bool first = clipboardPanel_->builtController() == nullptr;
        auto& controller = clipboardPanel_->controller();
        if (first) controller.setItemActions(&itemActions());
        return &controller;
    };
    factories.allClipboardPanelControllers = [this]() -> std::vector<ClipboardPanelControlling*> {
        if (auto* built = clipboardPanel_->builtController()) return {built};
        return {};
    };
}

// The entry actions both panels share (open, open link, save, pin, recognise text); each panel hands in
// what differs (how it hides, its formatted text, the window its dialogs belong to).
ClipboardItemActions& AppWindows::itemActions() {
    if (itemActions_) return *itemActions_;
    itemActions_ = std::make_unique<ClipboardItemActions>(ClipboardItemActions::Dependencies{
        clipboardPanel_->viewModel(),
        workspaceOpener_,
        PinWindow::factory(PinWindowServices::desktop(assembler_.pasteboard())),
        [this](const Data& imageData) { presentOCRWindow(imageData); },
        {},
        {}});
    return *itemActions_;
}

PasteBackServices AppWindows::pasteBack() {
    if (!pasteBack_) {
        windowActivation_ = std::make_unique<X11WindowActivation>();
        pasteShortcutPoster_ = std::make_unique<XTestPasteShortcutPoster>();
        pasteBack_ = std::make_unique<PasteBackPerformer>(assembler_.mainQueue(), *windowActivation_,
                                                          *pasteShortcutPoster_, assembler_.pasteboard());
    }
    return {*windowActivation_, *pasteShortcutPoster_, *pasteBack_};
}

void AppWindows::presentOCRWindow(const Data& imageData) {
    if (!presentOCRWindow_) {
        imageTextRecognizer_ = std::make_unique<ClipboardImageTextRecognizer>(
            assembler_.textRecognitionEngine(), assembler_.standardDefaults());
        presentOCRWindow_ = makeOCRWindowPresenter(
            OCRWindowServices{*imageTextRecognizer_, assembler_.mainQueue(), assembler_.pasteboard()});
    }
    presentOCRWindow_(imageData);
}

// ---- Floating clipboard panel ----
// Wraps the panel slots: the hot key shows the floating panel while the presentation setting (read on every
// press, direct channel only) says "floating", else whatever the slots gave before.
void AppWindows::fillFloatingPanelSlots(const ClipboardPanelServices& shared) {
    AppAssembler& assembler = assembler_;
    floatingPanel_ = std::make_unique<FloatingPanelAssembly>(FloatingPanelAssembly::Services{
        shared,
        // One view model for both presentations: a search typed in one is the other's too.
        [this] { return &clipboardPanel_->viewModel(); }, assembler.frontmostApplicationProvider()});
    auto& factories = assembler_.windowFactories();
    factories.activeClipboardPanelController =
        [this, &assembler, other = factories.activeClipboardPanelController]() -> ClipboardPanelControlling* {
        if (directClipboardPresentationMode(assembler.standardDefaults(), assembler.distributionChannel()) ==
            DirectClipboardPresentationMode::floating) {
            const bool first = floatingPanel_->builtController() == nullptr;
            auto& controller = floatingPanel_->controller();
            if (first) controller.setItemActions(&itemActions());
            return &controller;
        }
        return other ? other() : nullptr;
    };
    factories.allClipboardPanelControllers = [this, other = factories.allClipboardPanelControllers] {
        std::vector<ClipboardPanelControlling*> all =
            other ? other() : std::vector<ClipboardPanelControlling*>{};
        if (auto* built = floatingPanel_->builtController()) all.push_back(built);
        return all;
    };
}

// ---- Settings ----
// One coordinator for the whole run, made on the first request; it builds the window each time it opens.
// The tray host and the desktop settings this desktop lacks (autostart, tray) have no buttons.
SettingsPageFactories AppWindows::settingsPageFactories() {
    auto factories = SettingsPageFactories::standard();
    AppAssembler& assembler = assembler_;
    factories.set(SettingsModuleIdentifier::storage, [this, &assembler](SettingsWindowServices&) -> QWidget* {
        if (!storageMigrator_) {
            folderPicker_ = std::make_unique<QtFolderPicker>();
            storageMigrator_ = std::make_unique<DataDirectoryMigrator>(
                assembler.dataDirectoryManager(), assembler, platform_.alertPresenter, *folderPicker_,
                assembler.mainQueue(), settingsClock_);
        }
        // The migrator closes and rebuilds the clipboard services itself around a move.
        return new StorageSettingsView(StorageSettingsViewModel::Services{
            assembler.dataDirectoryManager(), [&assembler] { return assembler.clipboardHistoryManager(); },
            StorageSettingsViewModel::migratorChangeAction(*storageMigrator_),
            StorageSettingsViewModel::migratorResetAction(*storageMigrator_), platform_.alertPresenter,
            platform_.notificationCenter, assembler.mainQueue(), settingsClock_, nullptr, nullptr});
    });
    factories.set(
        SettingsModuleIdentifier::appFilter, [this, &assembler](SettingsWindowServices&) -> QWidget* {
            if (!applicationFilePicker_) applicationFilePicker_ = std::make_unique<QtApplicationFilePicker>();
            return new IgnoredAppsSettingsView(IgnoredAppsSettingsView::Services{
                assembler.standardDefaults(), assembler.ignoredAppsSettings(), assembler.applicationCatalog(),
                applicationFileReader_, platform_.alertPresenter, *applicationFilePicker_});
        });
    return factories;
}

void AppWindows::fillSettingsSlot() {
    assembler_.windowFactories().showSettings = [this](const std::optional<std::string>& module) {
        if (!settingsCoordinator_) {
            AppAssembler& assembler = assembler_;
            settingsTrayHost_ = std::make_unique<QtTrayHost>();
            settingsCoordinator_ = std::make_unique<SettingsCoordinator>(
                SettingsWindowServices{
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
                    {}},
                settingsPageFactories());
        }
        // A shortcut another program held may be free by now; the page then shows it working.
        assembler_.clipboardPanelCoordinator().retryFailedClipboardHotkey();
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
            onboardingViewModel_->clipboardHotkeyStatus = &assembler_.clipboardPanelCoordinator();
            onboardingWindowController_ = std::make_unique<OnboardingWindowController>(
                assembler_.windowManager(), *onboardingViewModel_, platform_.activationPolicy,
                assembler_.mainQueue(), assembler_.standardDefaults(), platform_.notificationCenter,
                AppInfo(assembler_.appEnvironment()).displayName());
        }
        assembler_.clipboardPanelCoordinator().retryFailedClipboardHotkey();
        onboardingWindowController_->showWindow();
    };
}

}  // namespace quorvane
