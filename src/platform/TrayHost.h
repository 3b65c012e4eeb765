#pragma once

// Whether the desktop shows tray items at all. Without a tray host our item is "hidden by the system": the
// hot key and the settings window still reach everything. Main thread only.

namespace quorvane {

class TrayHost {
public:
    virtual ~TrayHost() = default;
    virtual bool isAvailable() const = 0;
};

}  // namespace quorvane
