#include "platform/DesktopSettingsCommand.h"

#include <algorithm>
#include <cctype>

namespace quorvane {
namespace {

bool namesDesktop(std::string_view currentDesktop, std::string_view name) {
    std::size_t start = 0;
    while (start <= currentDesktop.size()) {
        const std::size_t colon = std::min(currentDesktop.find(':', start), currentDesktop.size());
        const std::string_view entry = currentDesktop.substr(start, colon - start);
        if (std::equal(entry.begin(), entry.end(), name.begin(), name.end(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            return true;
        }
        start = colon + 1;
    }
    return false;
}

}  // namespace

std::optional<DesktopSettingsCommand> DesktopSettingsCommand::accessibility(std::string_view currentDesktop) {
    if (namesDesktop(currentDesktop, "GNOME"))
        return DesktopSettingsCommand{"gnome-control-center", {"universal-access"}};
    if (namesDesktop(currentDesktop, "KDE")) return DesktopSettingsCommand{"systemsettings", {"kcm_access"}};
    return std::nullopt;
}

}  // namespace quorvane
