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
};

}  // namespace quorvane
