#pragma once

// The installed applications and how to find one: by desktop-file id (a window's GTK application id or KDE
// desktop file), by name (the ignored-applications defaults), or by a window's WM_CLASS (the capture helper's
// fallback). The one place capture, the "app:" filter and the settings pages ask about application identity.
// Implementations are safe from any thread; lookups may rescan the desktop's folders, so keep them off tight
// loops.

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/InstalledApplication.h"
#include "platform/WindowIdentity.h"

namespace quorvane {

class ApplicationCatalog {
public:
    ApplicationCatalog() = default;
    virtual ~ApplicationCatalog() = default;
    ApplicationCatalog(const ApplicationCatalog&) = delete;
    ApplicationCatalog& operator=(const ApplicationCatalog&) = delete;

    // Every installed application, those not offered in lists (NoDisplay) included, sorted by identifier,
    // identifiers unique. Hidden (deleted) entries are never part of it.
    virtual std::shared_ptr<const std::vector<InstalledApplication>> applicationEntries() const = 0;

    // The applications offered to the user (ignored-applications page, "app:" suggestions), by identifier.
    std::vector<InstalledApplication> installedApplications() const;

    // The application whose identifier is exactly `identifier`; a trailing ".desktop" is ignored. NoDisplay
    // entries are found too: they still identify a running program.
    std::optional<InstalledApplication> applicationWithIdentifier(std::string_view identifier) const;

    // An offered application called `name` (trimmed): an exact untranslated Name first, then one equal
    // ignoring case, then a translated Name equal ignoring case; the smallest identifier wins each step.
    std::optional<InstalledApplication> applicationNamed(std::string_view name) const;

    // The application a window with this WM_CLASS belongs to (instance name, class name; either may be
    // empty), trying in turn: StartupWMClass exactly, StartupWMClass ignoring case, the identifier ignoring
    // case, the identifier's last dot-separated part ignoring case, the program name of Exec ignoring case.
    // Within a step an offered application wins over a NoDisplay one.
    std::optional<InstalledApplication> applicationForWindowClass(std::string_view instanceName,
                                                                  std::string_view className) const;

    // The application a window belongs to: the entry its GTK application id names, else the one its KDE
    // desktop file names (folder and ".desktop" dropped), else applicationForWindowClass() of its WM_CLASS.
    // Nothing when no entry matches; fallbackApplicationIdentity() then names the window.
    std::optional<InstalledApplication> applicationForWindow(const WindowIdentity& window) const;

    // applicationForWindow() as the frontmost-application provider's resolver: the entry's identifier and
    // untranslated name (stable whatever the locale). The catalog must outlive the resolver.
    ApplicationIdentityResolver identityResolver() const;
};

}  // namespace quorvane
