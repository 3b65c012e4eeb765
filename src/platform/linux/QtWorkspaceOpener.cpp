#include "platform/linux/QtWorkspaceOpener.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <cstdlib>
#include <memory>
#include <optional>

#include "base/Logger.h"
#include "platform/DesktopSettingsCommand.h"

namespace quorvane {
namespace {

constexpr const char* kAccessibilitySettingsURL = "settings://accessibility";
constexpr const char* kFileManagerService = "org.freedesktop.FileManager1";
constexpr const char* kLogCategory = "WorkspaceOpener";

// The accessibility settings program of this desktop, when it is installed.
std::optional<DesktopSettingsCommand> accessibilitySettingsCommand() {
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    auto command = DesktopSettingsCommand::accessibility(desktop ? desktop : "");
    if (!command || QStandardPaths::findExecutable(QString::fromStdString(command->program)).isEmpty()) {
        return std::nullopt;
    }
    return command;
}

}  // namespace

bool QtWorkspaceOpener::openURL(const std::string& url) {
    if (url == kAccessibilitySettingsURL) {
        const auto command = accessibilitySettingsCommand();
        if (!command) return false;
        QStringList arguments;
        for (const auto& argument : command->arguments) arguments << QString::fromStdString(argument);
        return QProcess::startDetached(QString::fromStdString(command->program), arguments);
    }
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

bool QtWorkspaceOpener::openFile(const std::filesystem::path& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path.string())));
}

bool QtWorkspaceOpener::canOpenURL(const std::string& url) const {
    return url != kAccessibilitySettingsURL || accessibilitySettingsCommand().has_value();
}

void QtWorkspaceOpener::openURL(const std::string& url, Outcome outcome) {
    launch(QString::fromStdString(url), std::move(outcome));
}

void QtWorkspaceOpener::openFile(const std::filesystem::path& path, Outcome outcome) {
    launch(QString::fromStdString(path.string()), std::move(outcome));
}

void QtWorkspaceOpener::launch(const QString& target, Outcome outcome) {
    auto answer = std::make_shared<Outcome>(std::move(outcome));
    // Always later, as the contract says, and exactly once.
    const auto reply = [answer](bool opened) {
        if (!*answer) return;
        const auto once = std::move(*answer);
        *answer = nullptr;
        QTimer::singleShot(0, [once, opened] { once(opened); });
    };
    const QString program = QStandardPaths::findExecutable(openProgram);
    if (program.isEmpty()) {
        Logger::warning("Cannot open: " + openProgram.toStdString() + " is not installed", kLogCategory);
        reply(false);
        return;
    }
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments({target});
    // The opener may run the application in its place: its output must never fill a pipe of ours.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, reply](QProcess::ProcessError error) {
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

void QtWorkspaceOpener::activateFileViewerSelecting(const std::vector<std::filesystem::path>& paths) {
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
    if (!openFile(paths.front().parent_path())) {
        Logger::warning("Failed to show the saved file in the file manager", kLogCategory);
    }
}

}  // namespace quorvane
