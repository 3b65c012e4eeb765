#include "platform/linux/QtWorkspaceOpener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace quorvane {

bool QtWorkspaceOpener::openURL(const std::string& url) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

bool QtWorkspaceOpener::openFile(const std::filesystem::path& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path.string())));
}

}  // namespace quorvane
