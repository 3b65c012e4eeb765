#pragma once

// Hands a URL or a local file to the desktop: the browser, the file manager, the default application.
// Used by the storage settings ("reveal" the storage folder), the about and help links, and the entry actions
// of both clipboard panels (open a link, open an entry's file, show a saved file).
// Call on the main queue only.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quorvane {

class WorkspaceOpener {
public:
    // Learns once, later, on the main queue, whether a handler took what was handed over: false when none
    // is set for it or the launch failed.
    using Outcome = std::function<void(bool opened)>;

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

    // The same, for what the user opened from an entry: `outcome` says whether anything took it, so a
    // failure can be told.
    virtual void openURL(const std::string& url, Outcome outcome) = 0;
    virtual void openFile(const std::filesystem::path& path, Outcome outcome) = 0;
    // Shows the files selected in the file manager (or, without one that can select, their folder).
    virtual void activateFileViewerSelecting(const std::vector<std::filesystem::path>& paths) = 0;
};

}  // namespace quorvane
