#pragma once

// The desktop's tray host as Qt sees it (a StatusNotifier watcher or an XEmbed system tray).

#include "platform/TrayHost.h"

namespace quorvane {

class QtTrayHost final : public TrayHost {
public:
    bool isAvailable() const override;
};

}  // namespace quorvane
