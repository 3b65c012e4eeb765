#pragma once

// The desktop's tray host as Qt sees it (a StatusNotifier watcher or an XEmbed system tray). A host that
// comes or goes is reported: the XEmbed tray's selection owner is followed through XFIXES on an X connection
// of its own, the StatusNotifier watcher through the session bus. Main thread of a QGuiApplication only.

#include <memory>

#include "platform/TrayHost.h"

class QObject;

namespace quorvane {

class QtTrayHost final : public TrayHost {
public:
    QtTrayHost();
    ~QtTrayHost() override;
    QtTrayHost(const QtTrayHost&) = delete;
    QtTrayHost& operator=(const QtTrayHost&) = delete;

    bool isAvailable() const override;
    bool reportsAvailabilityChanges() const override { return reports_; }

private:
    struct Watch;
    std::unique_ptr<Watch> watch_;
    bool reports_ = false;
};

}  // namespace quorvane
