#pragma once

// Launch at login through the desktop's autostart folder: the application starts at sign-in while
// "$XDG_CONFIG_HOME/autostart/tech.zanto.QuorvaneApp.desktop" exists and the desktop would run it: not
// Hidden=true nor X-GNOME-Autostart-enabled=false (the desktops' ways to switch an entry off), and its
// TryExec and Exec programs exist. Desktops never ask for approval, so that status never occurs.

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
    // The program `processLink` (a /proc/<pid>/exe link) names; for a program replaced on disk while it runs
    // (an upgrade, a rebuild) its path, which now holds the successor. None when the link cannot be read.
    static std::optional<std::filesystem::path> programOf(const std::filesystem::path& processLink);

    LaunchAtLoginStatus status() const override;
    void setEnabled(bool enabled) override;

private:
    std::optional<std::filesystem::path> autostartEntry_;
    std::optional<std::filesystem::path> executable_;
};

}  // namespace quorvane
