#pragma once

// What the settings window tells the page it shows: refresh() when the page is selected or the window
// becomes active again, settingsModuleDidHide() when another page is selected or the window closes. A page
// adopts either, both or neither. Main thread only.

namespace quorvane {

class SettingsModuleRefreshable {
public:
    virtual ~SettingsModuleRefreshable() = default;
    virtual void refresh() = 0;
};

class SettingsModuleVisibilityAware {
public:
    virtual ~SettingsModuleVisibilityAware() = default;
    virtual void settingsModuleDidHide() = 0;
};

}  // namespace quorvane
