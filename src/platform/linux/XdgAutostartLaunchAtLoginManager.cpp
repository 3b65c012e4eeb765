#include "platform/linux/XdgAutostartLaunchAtLoginManager.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "base/AtomicFile.h"
#include "base/Logger.h"
#include "platform/linux/DesktopEntry.h"

namespace quorvane {
namespace {

constexpr const char* kLogCategory = "LaunchAtLogin";

// Quotes a path for the Exec key: inside double quotes, `"`, `` ` ``, `$` and `\` are escaped, and the
// desktop-entry string escape doubles every backslash once more.
std::string execArgument(const std::filesystem::path& path) {
    std::string quoted = "\"";
    for (const char c : path.string()) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += "\\\\";
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

}  // namespace

XdgAutostartLaunchAtLoginManager::XdgAutostartLaunchAtLoginManager(
    std::optional<std::filesystem::path> autostartEntry, std::optional<std::filesystem::path> executable)
    : autostartEntry_(std::move(autostartEntry)), executable_(std::move(executable)) {}

XdgAutostartLaunchAtLoginManager XdgAutostartLaunchAtLoginManager::standard() {
    std::optional<std::filesystem::path> config;
    if (const char* value = std::getenv("XDG_CONFIG_HOME"); value && *value == '/') {
        config = value;
    } else if (const char* home = std::getenv("HOME"); home && *home == '/') {
        config = std::filesystem::path(home) / ".config";
    }
    std::optional<std::filesystem::path> entry;
    if (config) entry = *config / "autostart" / "tech.zanto.QuorvaneApp.desktop";
    std::error_code error;
    std::optional<std::filesystem::path> executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) executable.reset();
    return XdgAutostartLaunchAtLoginManager(std::move(entry), std::move(executable));
}

LaunchAtLoginStatus XdgAutostartLaunchAtLoginManager::status() const {
    if (!autostartEntry_ || !executable_) return LaunchAtLoginStatus::unknown;
    std::ifstream in(*autostartEntry_, std::ios::binary);
    if (!in) return LaunchAtLoginStatus::notRegistered;
    std::stringstream contents;
    contents << in.rdbuf();
    try {
        const DesktopEntry entry = DesktopEntry::parse(contents.str());
        return entry.isTrue("Hidden") ? LaunchAtLoginStatus::notRegistered : LaunchAtLoginStatus::enabled;
    } catch (const DesktopEntryError& error) {
        // The desktop would not start a malformed entry either; registering again replaces it.
        Logger::warning("Autostart entry " + autostartEntry_->string() + " is malformed: " + error.what(),
                        kLogCategory);
        return LaunchAtLoginStatus::notRegistered;
    }
}

void XdgAutostartLaunchAtLoginManager::setEnabled(bool enabled) {
    const LaunchAtLoginStatus current = status();
    if (current == LaunchAtLoginStatus::unknown) throw LaunchAtLoginManagerError();
    const bool isOn =
        current == LaunchAtLoginStatus::enabled || current == LaunchAtLoginStatus::requiresApproval;
    if (enabled == isOn) return;
    if (enabled) {
        const std::string contents =
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Quorvane\n"
            "Exec=" +
            execArgument(*executable_) +
            "\n"
            "Icon=tech.zanto.QuorvaneApp\n"
            "Terminal=false\n"
            "X-GNOME-Autostart-enabled=true\n";
        writeFileAtomically(*autostartEntry_, contents, 0644);
    } else {
        std::error_code error;
        std::filesystem::remove(*autostartEntry_, error);
        if (error) throw std::system_error(error, "Cannot remove " + autostartEntry_->string());
    }
}

}  // namespace quorvane
