#pragma once

// What a top-level window says about the program that owns it, read raw from its X11 properties. The
// application catalog turns it into a desktop-file id; fallbackApplicationIdentity() is the answer when no
// desktop entry matches. Plain values, safe from any thread.

#include <functional>
#include <optional>
#include <string>

namespace quorvane {

class ApplicationCatalog;

struct WindowIdentity {
    std::optional<std::string> gtkApplicationId;  // _GTK_APPLICATION_ID
    std::optional<std::string> kdeDesktopFile;    // _KDE_NET_WM_DESKTOP_FILE
    std::optional<std::string> wmClassInstance;   // first string of WM_CLASS
    std::optional<std::string> wmClassName;       // second string of WM_CLASS, the class
    std::optional<std::string> title;             // _NET_WM_NAME, else WM_NAME

    bool operator==(const WindowIdentity&) const = default;
};

// A program as the rest of the system names it: its desktop-file id (the "bundle identifier") and the name
// shown to the user.
struct ApplicationIdentity {
    std::string bundleIdentifier;
    std::string name;

    bool operator==(const ApplicationIdentity&) const = default;
};

// Maps a window to the desktop entry it belongs to; nothing when no entry matches.
using ApplicationIdentityResolver = std::function<std::optional<ApplicationIdentity>(const WindowIdentity&)>;

// The identity a window gives on its own: the GTK application id, else the KDE desktop file name without its
// folder and ".desktop" suffix, else the WM_CLASS class (else instance). The name is the WM_CLASS class
// when present, else the id. Nothing when the window names no program at all.
std::optional<ApplicationIdentity> fallbackApplicationIdentity(const WindowIdentity& window);

// Finds a window's desktop entry in `catalog`, which must outlive the resolver: the GTK application id, then
// the KDE desktop file, each as a desktop-file id; then the window's WM_CLASS. The name is the entry's Name.
ApplicationIdentityResolver catalogApplicationIdentityResolver(const ApplicationCatalog& catalog);

}  // namespace quorvane
