#include "platform/linux/QtTrayHost.h"

#include <QSystemTrayIcon>

namespace quorvane {

bool QtTrayHost::isAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

}  // namespace quorvane
