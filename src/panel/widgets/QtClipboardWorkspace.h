#pragma once

// The item actions' workspace on this desktop: links and files open through the workspace opener; files
// are shown in the file manager through org.freedesktop.FileManager1 ShowItems, or, without a file
// manager on the session bus, by opening their folder. Main thread only.

#include "panel/model/ClipboardWorkspaceHandling.h"
#include "platform/WorkspaceOpener.h"

namespace quorvane {

class QtClipboardWorkspace final : public ClipboardWorkspaceHandling {
public:
    // `opener` must outlive the workspace.
    explicit QtClipboardWorkspace(WorkspaceOpener& opener) : opener_(opener) {}

    bool open(const std::string& url) override { return opener_.openURL(url); }
    bool openFile(const std::filesystem::path& path) override { return opener_.openFile(path); }
    void activateFileViewerSelecting(const std::vector<std::filesystem::path>& paths) override;

private:
    WorkspaceOpener& opener_;
};

}  // namespace quorvane
