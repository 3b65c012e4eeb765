#include "platform/linux/XdgAutostartLaunchAtLoginManager.h"

#include <unistd.h>

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

// The program an Exec value starts: its first argument, unquoted. None when there is none or
// its quotes are unbalanced.
std::optional<std::string> execProgram(std::string_view exec) {
    std::size_t at = exec.find_first_not_of(" \t");
    if (at == std::string_view::npos) return std::nullopt;
    if (exec[at] != '"') {
        const std::size_t end = exec.find_first_of(" \t", at);
        return std::string(exec.substr(at, end == std::string_view::npos ? end : end - at));
    }
    std::string program;
    for (++at; at < exec.size(); ++at) {
        if (exec[at] == '"') return program.empty() ? std::nullopt : std::optional(program);
        if (exec[at] == '\\' && at + 1 < exec.size()) ++at;
        program += exec[at];
    }
    return std::nullopt;
}

bool isRunnableFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

// Whether the session would find `program` as it looks for it: a path as it is, a bare name on PATH.
bool isRunnableProgram(const std::string& program) {
    if (program.find('/') != std::string::npos) return program.front() == '/' && isRunnableFile(program);
    const char* value = std::getenv("PATH");
    std::string_view path = value && *value ? value : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const std::size_t colon = path.find(':');
        const std::string_view folder = path.substr(0, colon);
        if (!folder.empty() && isRunnableFile(std::filesystem::path(folder) / program)) return true;
        if (colon == std::string_view::npos) return false;
        path.remove_prefix(colon + 1);
    }
}

// Why the desktop would not start this entry at sign-in; none when it would.
std::optional<std::string> deadEntryReason(const DesktopEntry& entry) {
    if (entry.isTrue("Hidden")) return "it is hidden";
    if (entry.value("X-GNOME-Autostart-enabled") == "false") return "it is switched off";
    // TryExec names a program as it is; Exec is a command line whose first argument is the program.
    if (const auto tryExec = entry.value("TryExec"); tryExec && !tryExec->empty()) {
        if (!isRunnableProgram(*tryExec)) return "its program " + *tryExec + " does not exist";
    }
    const auto exec = entry.value("Exec");
    if (!exec) return "it names no program";
    const auto program = execProgram(*exec);
    if (!program) return "its Exec line cannot be read";
    if (!isRunnableProgram(*program)) return "its program " + *program + " does not exist";
    return std::nullopt;
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
    std::optional<std::filesystem::path> executable = programOf("/proc/self/exe");
    return XdgAutostartLaunchAtLoginManager(std::move(entry), std::move(executable));
}

std::optional<std::filesystem::path> XdgAutostartLaunchAtLoginManager::programOf(
    const std::filesystem::path& processLink) {
    std::error_code error;
    const std::string program = std::filesystem::read_symlink(processLink, error).string();
    if (error || program.empty()) return std::nullopt;
    constexpr std::string_view kDeleted = " (deleted)";
    if (program.ends_with(kDeleted)) return program.substr(0, program.size() - kDeleted.size());
    return program;
}

LaunchAtLoginStatus XdgAutostartLaunchAtLoginManager::status() const {
    if (!autostartEntry_ || !executable_) return LaunchAtLoginStatus::unknown;
    std::ifstream in(*autostartEntry_, std::ios::binary);
    if (!in) return LaunchAtLoginStatus::notRegistered;
    std::stringstream contents;
    contents << in.rdbuf();
    try {
        const DesktopEntry entry = DesktopEntry::parse(contents.str());
        if (const auto reason = deadEntryReason(entry)) {
            Logger::info(
                "Autostart entry " + autostartEntry_->string() + " will not start Quorvane: " + *reason,
                kLogCategory);
            return LaunchAtLoginStatus::notRegistered;
        }
        return LaunchAtLoginStatus::enabled;
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
