#pragma once

// Hands a URL or a local file to the desktop: the browser, the file manager, the default application.
// Used by the storage settings ("reveal" the storage folder) and the about and help links.
// Call on the main queue only.

#include <filesystem>
#include <string>

namespace quorvane {

class WorkspaceOpener {
public:
    virtual ~WorkspaceOpener() = default;

    // Opens `url` with its default handler; returns false when no handler took it.
    virtual bool openURL(const std::string& url) = 0;
    // Opens a file or folder with its default application (a folder opens in the file manager); returns false
    // when that failed.
    virtual bool openFile(const std::filesystem::path& path) = 0;
    // False when openURL() surely cannot open `url` here (a settings address this desktop has no pane for),
    // so the button that would open it can be hidden.
    virtual bool canOpenURL(const std::string& url) const {
        (void)url;
        return true;
    }
};

}  // namespace quorvane
