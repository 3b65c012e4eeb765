// The settings window over in-memory services with a real storage page, for the accessibility-bus tests.
// The storage folder is the first argument (nothing is written to the user's own folders). It prints "shown"
// once the window is active and "page <name>" each time another page is shown, so the test can tell what a
// user would see.

#include <QApplication>
#include <QTextStream>
#include <QTimer>

#include "history/EmptyClipboardHistoryManager.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "settings/widgets/SettingsWindowController.h"
#include "settings/widgets/SettingsWindowFixture.h"
#include "settings/widgets/StorageSettingsView.h"

using namespace quorvane;

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("settings-test-window");
    QTextStream out(stdout);

    testing::SettingsWindowFixture fixture;
    RecordingWorkspaceOpener workspace;
    const std::string storage = argc > 1 ? argv[1] : "";
    DataDirectoryManager directories(fixture.defaults, workspace, [storage](const std::string& name) {
        if (storage.empty()) return std::optional<std::string>();
        if (name == "HOME" || name == DataDirectoryManager::storageDirectoryOverrideEnvironmentKey)
            return std::optional<std::string>(storage);
        return std::optional<std::string>();
    });
    const auto queue = std::make_shared<QtMainQueue>();
    NotificationCenter center(*queue);
    SystemClock clock;

    SettingsPageFactories factories = SettingsPageFactories::standard();
    factories.set(SettingsModuleIdentifier::storage, [&](SettingsWindowServices&) -> QWidget* {
        return new StorageSettingsView(StorageSettingsViewModel::Services{
            directories, [&] { return std::make_shared<EmptyClipboardHistoryManager>(queue); },
            [](std::function<void()>, StorageSettingsViewModel::DirectoryCompletion) {}, nullptr,
            fixture.alerts, center, *queue, clock, nullptr, nullptr});
    });
    SettingsWindowController window(*fixture.services, factories);
    QObject::connect(
        &window, &SettingsWindowController::moduleSelected, [&](SettingsModuleIdentifier module) {
            const std::string_view name = rawValue(module);
            out << "page " << QString::fromUtf8(name.data(), static_cast<int>(name.size())) << Qt::endl;
        });
    window.move(80, 60);
    window.show();

    // The page models post their changes to the in-memory main queue; run it as the real one runs.
    QTimer pump;
    QObject::connect(&pump, &QTimer::timeout, [&] { fixture.loop.runUntilIdle(); });
    pump.start(20);
    bool reported = false;
    QTimer activation;
    QObject::connect(&activation, &QTimer::timeout, [&] {
        if (window.isActiveWindow()) {
            if (!reported) out << "shown" << Qt::endl;
            reported = true;
            return;
        }
        window.activateWindow();
        window.raise();
    });
    activation.start(100);
    return application.exec();
}
