#include <QApplication>
#include <memory>
#include <string>
#include <system_error>

#include "app/AppAssembler.h"
#include "app/model/AppCoordinator.h"
#include "app/widgets/AboutWindow.h"
#include "app/widgets/TrayIcon.h"
#include "base/Logger.h"
#include "base/PrivateDirectory.h"
#include "l10n/StandardAppLanguage.h"
#include "panel/widgets/ClipboardPanelAssembly.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/linux/JsonFileUserDefaults.h"
#include "platform/linux/OpenMpThreadLimit.h"
#include "platform/linux/QtClipboardPasteboard.h"
#include "platform/linux/QtImageDecoder.h"
#include "platform/linux/QtImageProbe.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/QtTrayHost.h"
#include "platform/linux/QtWorkspaceOpener.h"
#include "platform/linux/SingleInstanceGuard.h"
#include "platform/linux/TerminationSignalHandler.h"
#include "platform/linux/TesseractImageTextRecognizer.h"
#include "platform/linux/X11AccessibilityTrust.h"
#include "platform/linux/X11FrontmostApplicationProvider.h"
#include "platform/linux/X11HotkeyRegistrar.h"
#include "platform/linux/XInputKeyEventMonitor.h"
#include "platform/linux/XdgApplicationCatalog.h"
#include "platform/linux/XdgAutostartLaunchAtLoginManager.h"
#include "preferences/AppEnvironment.h"
#include "preferences/AppInfo.h"
#include "system/AccessibilityPermissionManager.h"
#include "system/DataDirectoryManager.h"

int main(int argc, char* argv[]) {
    using namespace quorvane;
    restartWithOpenMpLimitedToOneThreadIfNeeded(argv);
    QApplication application(argc, argv);
    QApplication::setApplicationName("Quorvane");
    // Our windows carry this desktop-file id, and copies made in them are our own.
    const std::string ownBundleIdentifier = [] {
        const auto& information = AppEnvironment::main().infoDictionary;
        const auto found = information.find("CFBundleIdentifier");
        return found == information.end() ? std::string() : found->second.stringValue().value_or("");
    }();
    QGuiApplication::setDesktopFileName(QString::fromStdString(ownBundleIdentifier));
    QApplication::setQuitOnLastWindowClosed(false);

    // The settings and the interface language come before anything that could show or log a text.
    const auto standardDefaults =
        std::make_shared<JsonFileUserDefaults>(JsonFileUserDefaults::standardPath());
    StandardAppLanguage appLanguage(*standardDefaults);
    Logger::info("Application did finish launching", "AppDelegate");

    // Launching again is how a user asks the running instance for its window: hand it over and end.
    // Set once the coordinator runs; a reopen request that comes earlier is answered by the start-up itself.
    std::unique_ptr<AppCoordinator> appCoordinator;
    std::unique_ptr<SingleInstanceGuard> singleInstance;
    try {
        singleInstance = SingleInstanceGuard::acquire(privateRuntimeDirectory(), [&appCoordinator] {
            if (appCoordinator) appCoordinator->handleReopen();
        });
        if (!singleInstance) {
            Logger::info("Another instance is already running, terminating...", "AppDelegate");
            return 0;
        }
        Logger::info("Single instance check passed", "AppDelegate");
    } catch (const std::system_error& error) {
        Logger::error(std::string("Failed to check for another instance: ") + error.what(), "AppDelegate");
    }

    const auto mainQueue = std::make_shared<QtMainQueue>();
    const auto clock = std::make_shared<SystemClock>();
    NotificationCenter notificationCenter(*mainQueue);
    QtWorkspaceOpener workspace;
    DataDirectoryManager::installShared(std::make_unique<DataDirectoryManager>(*standardDefaults, workspace));
    X11AccessibilityTrust accessibilityTrust;
    AccessibilityPermissionManager accessibilityPermissionManager(*standardDefaults, *mainQueue,
                                                                  accessibilityTrust, workspace);
    XdgApplicationCatalog applicationCatalog;
    QtClipboardPasteboard pasteboard;
    QtImageProbe imageProbe;
    QtImageDecoder imageDecoder;
    X11FrontmostApplicationProvider frontmostApplicationProvider(applicationCatalog.identityResolver(),
                                                                 nullptr, ownBundleIdentifier);
    TesseractImageTextRecognizer textRecognitionEngine;
    XInputKeyEventMonitor keyEventMonitor;
    X11HotkeyRegistrar hotkeyRegistrar;
    QtTrayHost trayHost;

    TerminationSignalHandler terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignalHandler::terminationRequested, &application,
                     [] { QApplication::quit(); });

    AppAssembler assembler(AppAssembler::Platform{
        standardDefaults, mainQueue, clock, notificationCenter, DataDirectoryManager::shared(),
        accessibilityPermissionManager, applicationCatalog, pasteboard, imageProbe, imageDecoder,
        frontmostApplicationProvider, textRecognitionEngine, keyEventMonitor, AppEnvironment::main(),
        &hotkeyRegistrar,
        std::make_shared<XdgAutostartLaunchAtLoginManager>(XdgAutostartLaunchAtLoginManager::standard())});

    AppUpdateManaging& appUpdater = assembler.appUpdater();
    appUpdater.start();
    appUpdater.performLaunchUpdateProbe();

    AppAssembler::WindowFactories& factories = assembler.windowFactories();

    // The centred clipboard panel and its hot key.
    ClipboardAppIdentityResolver panelAppIdentityResolver(applicationCatalog, nullptr, "");
    ClipboardPanelAssembly clipboardPanel(ClipboardPanelAssembly::Services{
        assembler.clipboardHistoryManager(), assembler.clipboardSearchService(), *mainQueue, *clock,
        *standardDefaults, pasteboard, accessibilityPermissionManager, applicationCatalog,
        panelAppIdentityResolver, assembler.hotkeyManager(), assembler.distributionChannel(),
        [&factories] {
            if (factories.showSettings) factories.showSettings(std::nullopt);
        },
        [&appUpdater] {
            const auto availability = appUpdater.state().availability;
            return ClipboardFooterUpdateState{
                availability.kind == AppUpdateAvailability::Kind::updateAvailable, availability.version};
        },
        [&appUpdater] { appUpdater.checkForUpdates(); }});
    factories.toggleClipboardPanel = [&clipboardPanel] { clipboardPanel.toggleClipboardPanel(); };
    factories.registerClipboardHotkey = [&clipboardPanel] { clipboardPanel.registerClipboardHotkey(); };
    AppCoordinator::Windows windows;
    windows.startClipboardPanelCoordinator = [&assembler] {
        if (assembler.windowFactories().registerClipboardHotkey)
            assembler.windowFactories().registerClipboardHotkey();
        assembler.setDidStartClipboardCoordinator(true);
    };
    // The window subsystems fill the container's slots; the coordinator always asks the slot of the moment.
    windows.toggleClipboardPanel = [&factories] {
        if (factories.toggleClipboardPanel) factories.toggleClipboardPanel();
    };
    windows.showSettings = [&factories](const std::optional<std::string>& module) {
        if (factories.showSettings) factories.showSettings(module);
    };
    windows.showClassification = [&factories] {
        if (factories.showClassification) factories.showClassification();
    };
    windows.makeAboutWindow = [&assembler, &notificationCenter]() -> std::unique_ptr<WindowPresenting> {
        return std::make_unique<AboutWindowController>(assembler.windowManager(), notificationCenter);
    };
    windows.makeOnboardingWindow = [&factories]() -> std::unique_ptr<WindowPresenting> {
        if (!factories.showOnboarding) return nullptr;
        struct Onboarding final : WindowPresenting {
            explicit Onboarding(AppAssembler::WindowFactories& owner) : owner(owner) {}
            void showWindow() override { owner.showOnboarding(); }
            AppAssembler::WindowFactories& owner;
        };
        return std::make_unique<Onboarding>(factories);
    };

    appCoordinator = std::make_unique<AppCoordinator>(
        AppCoordinator::Services{*standardDefaults, *mainQueue, notificationCenter, trayHost, appUpdater,
                                 [&assembler] { return assembler.clipboardMonitor(); },
                                 [&workspace] { AppInfo().sendFeedback(workspace); },
                                 [] { QApplication::quit(); }},
        std::move(windows));
    Logger::info("App coordinator started", "AppCoordinator");
    appCoordinator->startMenuBar();
    appCoordinator->startClipboardPanelCoordinator();
    appCoordinator->startSettingsAndClassificationCoordinators();
    auto trayIcon = std::make_unique<TrayIcon>(*appCoordinator->menuBarManager());
    if (!AppCoordinator::hasCompletedOnboarding(*standardDefaults)) appCoordinator->showOnboarding();

    const int status = QApplication::exec();
    trayIcon.reset();
    assembler.shutdown();
    appCoordinator.reset();
    Logger::info("Application will terminate", "AppDelegate");
    return status;
}
