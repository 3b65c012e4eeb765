#include <QApplication>
#include <memory>
#include <string>
#include <system_error>

#include "app/AppAssembler.h"
#include "base/Logger.h"
#include "base/PrivateDirectory.h"
#include "l10n/StandardAppLanguage.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/linux/JsonFileUserDefaults.h"
#include "platform/linux/OpenMpThreadLimit.h"
#include "platform/linux/QtClipboardPasteboard.h"
#include "platform/linux/QtImageDecoder.h"
#include "platform/linux/QtImageProbe.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/QtWorkspaceOpener.h"
#include "platform/linux/SingleInstanceGuard.h"
#include "platform/linux/TerminationSignalHandler.h"
#include "platform/linux/TesseractImageTextRecognizer.h"
#include "platform/linux/X11AccessibilityTrust.h"
#include "platform/linux/X11FrontmostApplicationProvider.h"
#include "platform/linux/XInputKeyEventMonitor.h"
#include "platform/linux/XdgApplicationCatalog.h"
#include "preferences/AppEnvironment.h"
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

    // Launching again is how a user asks the running instance for its window: hand it over and end.
    std::unique_ptr<SingleInstanceGuard> singleInstance;
    try {
        singleInstance = SingleInstanceGuard::acquire(privateRuntimeDirectory(), [] {});
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

    TerminationSignalHandler terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignalHandler::terminationRequested, &application,
                     [] { QApplication::quit(); });

    AppAssembler assembler(AppAssembler::Platform{
        standardDefaults, mainQueue, clock, notificationCenter, DataDirectoryManager::shared(),
        accessibilityPermissionManager, applicationCatalog, pasteboard, imageProbe, imageDecoder,
        frontmostApplicationProvider, textRecognitionEngine, keyEventMonitor, AppEnvironment::main()});

    // Said once capture runs: the desktop tests copy their first text as soon as they read it.
    Logger::info("Application did finish launching", "AppDelegate");
    const int status = QApplication::exec();
    Logger::info("Application will terminate", "AppDelegate");
    assembler.shutdown();
    return status;
}
