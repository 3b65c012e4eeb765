#include "panel/widgets/QtClipboardWorkspace.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <QUrl>

#include "base/Logger.h"

namespace quorvane {
namespace {

constexpr const char* kFileManagerService = "org.freedesktop.FileManager1";

}  // namespace

void QtClipboardWorkspace::activateFileViewerSelecting(const std::vector<std::filesystem::path>& paths) {
    if (paths.empty()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const bool hasFileManager = bus.isConnected() && bus.interface() &&
                                bus.interface()->isServiceRegistered(kFileManagerService).value();
    if (hasFileManager) {
        QStringList uris;
        for (const auto& path : paths)
            uris << QUrl::fromLocalFile(QString::fromStdString(path.string())).toString();
        QDBusMessage call = QDBusMessage::createMethodCall(
            kFileManagerService, "/org/freedesktop/FileManager1", kFileManagerService, "ShowItems");
        call << uris << QString();
        // Asynchronous: a slow file manager never holds up the panel.
        if (bus.send(call)) return;
    }
    if (!opener_.openFile(paths.front().parent_path())) {
        Logger::warning("Failed to show the saved file in the file manager", "ClipboardPanelController");
    }
}

}  // namespace quorvane
