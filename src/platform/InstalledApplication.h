#pragma once

// One installed application as the desktop knows it: a desktop entry, identified by its desktop-file id (the
// file name without ".desktop", subfolders joined with "-"), which stands in for a bundle identifier
// everywhere. Plain value, safe to copy between threads.

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace quorvane {

struct InstalledApplication {
    std::string identifier;  // "org.keepassxc.KeePassXC"
    std::string name;        // untranslated Name
    std::map<std::string, std::string>
        localizedNames;          // Name[xx] by locale as written: "de", "zh_CN", "sr@latin"
    std::string icon;            // theme icon name or absolute path; empty when none
    std::string startupWMClass;  // window class the application's windows carry, if given
    std::string exec;            // command line, escapes resolved, field codes kept
    std::string desktopFilePath;
    bool noDisplay = false;  // installed, but not offered in application lists

    // The name in a POSIX locale such as "zh_CN.UTF-8" or "sr_RS@latin", matched as desktop entries are
    // (lang_COUNTRY@MODIFIER, lang_COUNTRY, lang@MODIFIER, lang); the untranslated name when none matches.
    const std::string& localizedName(std::string_view locale) const;

    friend bool operator==(const InstalledApplication&, const InstalledApplication&) = default;
};

}  // namespace quorvane

template <>
struct std::hash<quorvane::InstalledApplication> {
    std::size_t operator()(const quorvane::InstalledApplication& application) const noexcept {
        return std::hash<std::string>{}(application.identifier) ^
               (std::hash<std::string>{}(application.desktopFilePath) << 1);
    }
};
