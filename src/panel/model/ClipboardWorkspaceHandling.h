#pragma once

// What the panels' item actions need from the desktop: open a link or a file with its default handler and
// show files in the file manager. The controllers hold one; tests hand in a recording double.
// Call on the main queue only.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quorvane {

class ClipboardWorkspaceHandling {
public:
    virtual ~ClipboardWorkspaceHandling() = default;

    // Opens a URL with its default handler; false when none took it.
    virtual bool open(const std::string& url) = 0;
    // Opens a local file with its default application. `completion` learns once, later, on the main queue,
    // whether an application took it: false when none is set for the file's type or the launch failed.
    virtual void openFile(const std::filesystem::path& path, std::function<void(bool opened)> completion) = 0;
    // Shows the files selected in the file manager (or, without one that can select, their folder).
    virtual void activateFileViewerSelecting(const std::vector<std::filesystem::path>& paths) = 0;
};

}  // namespace quorvane
