#include "platform/linux/QtWorkspaceOpener.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdlib>
#include <optional>

#include "platform/DesktopSettingsCommand.h"

namespace quorvane {
namespace {

constexpr const char* kAccessibilitySettingsURL = "settings://accessibility";

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

}  // namespace quorvane
