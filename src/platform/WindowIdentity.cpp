#include "platform/WindowIdentity.h"

#include "platform/ApplicationCatalog.h"

namespace quorvane {

namespace {

std::optional<std::string> nonBlank(const std::optional<std::string>& value) {
    if (!value || value->find_first_not_of(" \t\r\n") == std::string::npos) return std::nullopt;
    return value;
}

std::optional<std::string> desktopFileId(const std::optional<std::string>& desktopFile) {
    auto file = nonBlank(desktopFile);
    if (!file) return std::nullopt;
    std::string id = *file;
    if (const auto slash = id.rfind('/'); slash != std::string::npos) id.erase(0, slash + 1);
    constexpr std::string_view suffix = ".desktop";
    if (id.size() > suffix.size() && id.ends_with(suffix)) id.resize(id.size() - suffix.size());
    if (id.empty() || id == suffix) return std::nullopt;
    return id;
}

}  // namespace

std::optional<ApplicationIdentity> fallbackApplicationIdentity(const WindowIdentity& window) {
    auto id = nonBlank(window.gtkApplicationId);
    if (!id) id = desktopFileId(window.kdeDesktopFile);
    if (!id) id = nonBlank(window.wmClassName);
    if (!id) id = nonBlank(window.wmClassInstance);
    if (!id) return std::nullopt;
    const auto name = nonBlank(window.wmClassName);
    return ApplicationIdentity{*id, name ? *name : *id};
}

ApplicationIdentityResolver catalogApplicationIdentityResolver(const ApplicationCatalog& catalog) {
    return [&catalog](const WindowIdentity& window) -> std::optional<ApplicationIdentity> {
        std::optional<InstalledApplication> entry;
        if (auto id = nonBlank(window.gtkApplicationId)) entry = catalog.applicationWithIdentifier(*id);
        if (!entry) {
            if (auto id = desktopFileId(window.kdeDesktopFile))
                entry = catalog.applicationWithIdentifier(*id);
        }
        if (!entry && (window.wmClassInstance || window.wmClassName)) {
            entry = catalog.applicationForWindowClass(window.wmClassInstance.value_or(""),
                                                      window.wmClassName.value_or(""));
        }
        if (!entry) return std::nullopt;
        return ApplicationIdentity{entry->identifier, entry->name.empty() ? entry->identifier : entry->name};
    };
}

}  // namespace quorvane
