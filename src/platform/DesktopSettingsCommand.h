#pragma once

// The program that opens a pane of the running desktop's own settings. Linux has no common settings address:
// GNOME and KDE each have a settings program that takes the pane's name. A plain value; safe from any thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

struct DesktopSettingsCommand {
    std::string program;
    std::vector<std::string> arguments;

    friend bool operator==(const DesktopSettingsCommand&, const DesktopSettingsCommand&) = default;

    // The command that opens the accessibility settings of the desktop named by `currentDesktop` (the
    // colon-separated $XDG_CURRENT_DESKTOP, e.g. "ubuntu:GNOME"); none for a desktop we do not know.
    static std::optional<DesktopSettingsCommand> accessibility(std::string_view currentDesktop);
};

}  // namespace quorvane
