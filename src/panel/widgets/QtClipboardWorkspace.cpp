#include "panel/widgets/QtClipboardWorkspace.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <memory>

#include "base/Logger.h"

namespace quorvane {
namespace {

constexpr const char* kFileManagerService = "org.freedesktop.FileManager1";

}  // namespace

void QtClipboardWorkspace::openFile(const std::filesystem::path& path,
                                    std::function<void(bool opened)> completion) {
    auto answer = std::make_shared<std::function<void(bool)>>(std::move(completion));
    // Always later, as the contract says, and exactly once.
    const auto reply = [answer](bool opened) {
        if (!*answer) return;
        const auto once = std::move(*answer);
        *answer = nullptr;
        QTimer::singleShot(0, [once, opened] { once(opened); });
    };
    const QString program = QStandardPaths::findExecutable(openProgram);
    if (program.isEmpty()) {
        Logger::warning("Failed to open a file: " + openProgram.toStdString() + " is not installed",
                        "ClipboardPanelController");
        reply(false);
        return;
    }
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments({QString::fromStdString(path.string())});
    // The opener may run the application in its place: its output must never fill a pipe of ours.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::errorOccurred, process, [process, reply](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        reply(false);
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::finished, process,
                     [process, reply](int exitCode, QProcess::ExitStatus status) {
                         reply(status == QProcess::NormalExit && exitCode == 0);
                         process->deleteLater();
                     });
    QTimer::singleShot(launchGraceMilliseconds, process, [reply] { reply(true); });
    process->start();
}

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
