#pragma once

// Launch at login through the desktop's autostart folder: the application starts at sign-in while
// "$XDG_CONFIG_HOME/autostart/tech.zanto.QuorvaneApp.desktop" exists and does not say Hidden=true (the
// desktop's own way to switch an entry off). Desktops never ask for approval, so that status never occurs.

#include <filesystem>
#include <optional>

#include "platform/LaunchAtLoginManaging.h"

namespace quorvane {

class XdgAutostartLaunchAtLoginManager final : public LaunchAtLoginManaging {
public:
    // `autostartEntry` is the file to manage and `executable` the program it starts; without them (no home
    // folder, no executable) the status is unknown.
    XdgAutostartLaunchAtLoginManager(std::optional<std::filesystem::path> autostartEntry,
                                     std::optional<std::filesystem::path> executable);

    // This user's autostart entry and this process's executable.
    static XdgAutostartLaunchAtLoginManager standard();

    LaunchAtLoginStatus status() const override;
    void setEnabled(bool enabled) override;

private:
    std::optional<std::filesystem::path> autostartEntry_;
    std::optional<std::filesystem::path> executable_;
};

}  // namespace quorvane
