#include <QApplication>
#include <QTimer>
#include <memory>
#include <string>
#include <system_error>

#include "app/AppAssembler.h"
#include "app/AppWindows.h"
#include "app/model/AppCoordinator.h"
#include "app/widgets/TrayIcon.h"
#include "base/Logger.h"
#include "base/PrivateDirectory.h"
#include "l10n/StandardAppLanguage.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/linux/JsonFileUserDefaults.h"
#include "platform/linux/NoOpActivationPolicy.h"
#include "platform/linux/QtAlertPresenter.h"
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
#include "preferences/SettingsAccessors.h"
#include "system/AccessibilityPermissionManager.h"
#include "system/DataDirectoryManager.h"
#include "ui/QtOwnTranslations.h"

int main(int argc, char* argv[]) {
    using namespace quorvane;
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
    // Qt's own menus and dialogs speak the chosen language too.
    QtOwnTranslations qtTranslations(notificationCenter);
    QtWorkspaceOpener workspace;
    DataDirectoryManager::installShared(std::make_unique<DataDirectoryManager>(*standardDefaults, workspace));
    X11AccessibilityTrust accessibilityTrust;
    AccessibilityPermissionManager accessibilityPermissionManager(*standardDefaults, *mainQueue,
                                                                  accessibilityTrust, workspace);
    XdgApplicationCatalog applicationCatalog;
    // Copies are read on the pasteboard's own thread, which stops at the item size limit as it reads.
    QtClipboardPasteboard pasteboard(nullptr, [&standardDefaults] {
        return static_cast<std::uint64_t>(clipboardMonitorMaxItemSizeInMB(*standardDefaults)) * 1'048'576;
    });
    QtImageProbe imageProbe;
    QtImageDecoder imageDecoder;
    X11FrontmostApplicationProvider frontmostApplicationProvider(applicationCatalog.identityResolver(),
                                                                 nullptr, ownBundleIdentifier);
    TesseractImageTextRecognizer textRecognitionEngine;
    XInputKeyEventMonitor keyEventMonitor;
    X11HotkeyRegistrar hotkeyRegistrar;
    QtTrayHost trayHost;
    QtAlertPresenter alertPresenter;
    NoOpActivationPolicy activationPolicy;

    TerminationSignalHandler terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignalHandler::terminationRequested, &application,
                     [] { QApplication::quit(); });

    AppAssembler assembler(AppAssembler::Platform{
        standardDefaults, mainQueue, clock, notificationCenter, DataDirectoryManager::shared(),
        accessibilityPermissionManager, applicationCatalog, pasteboard, imageProbe, imageDecoder,
        frontmostApplicationProvider, textRecognitionEngine, keyEventMonitor, AppEnvironment::main(),
        &hotkeyRegistrar,
        std::make_shared<XdgAutostartLaunchAtLoginManager>(XdgAutostartLaunchAtLoginManager::standard())});

    // Another process has the storage directory though it passed the check above (another runtime folder,
    // say): it is the running instance, and a second one with an empty panel would only confuse.
    if (assembler.storageDirectoryInUse()) {
        Logger::info("Another instance is already running, terminating...", "AppDelegate");
        return 0;
    }

    AppUpdateManaging& appUpdater = assembler.appUpdater();
    appUpdater.start();
    appUpdater.performLaunchUpdateProbe();

    AppWindows appWindows(assembler, AppWindows::Platform{notificationCenter, alertPresenter,
                                                          activationPolicy, accessibilityPermissionManager});
    appCoordinator = std::make_unique<AppCoordinator>(
        AppCoordinator::Services{*standardDefaults, *mainQueue, notificationCenter, trayHost, appUpdater,
                                 [&assembler] { return assembler.clipboardMonitor(); },
                                 [&workspace] { AppInfo().sendFeedback(workspace); },
                                 [] { QApplication::quit(); }},
        appWindows.coordinatorWindows());
    Logger::info("App coordinator started", "AppCoordinator");
    appCoordinator->startMenuBar();
    // The icon first: what follows does not change it, and the user sees the program is there.
    auto trayIcon = std::make_unique<TrayIcon>(*appCoordinator->menuBarManager());
    appCoordinator->startClipboardPanelCoordinator();
    appCoordinator->startSettingsAndClassificationCoordinators();
    appWindows.installMainMenu(*appCoordinator);
    appCoordinator->requestInitialOnboarding();
    // On later turns, once the start-up is through: the tray is up before the history is read and before
    // the caret lookup connects to the accessibility bus; both are ready well before a person's first press.
    QTimer::singleShot(0, &application, [&appWindows] {
        appWindows.startInitialPanelLoad();
        appWindows.prepareFirstPress();
    });

    const int status = QApplication::exec();
    trayIcon.reset();
    assembler.shutdown();
    appCoordinator.reset();
    // Jobs still queued for the main thread may hold the last references to the services. Left to the
    // application's own clean-up, they would be freed under its event lock, and the main queue they free
    // takes that lock again: the process would hang at exit. Dropped here, they are freed outside it.
    QCoreApplication::removePostedEvents(nullptr);
    Logger::info("Application will terminate", "AppDelegate");
    return status;
}
