#pragma once

// The item actions' workspace on this desktop: links open through the workspace opener; files open through
// xdg-open, whose exit status says whether an application took them (xdg-open fails when the desktop has
// none for the type; one that is still running after a few seconds runs the application itself, which counts
// as opened). Files are shown in the file manager through org.freedesktop.FileManager1 ShowItems, or, without
// a file manager on the session bus, by opening their folder. Main thread only.

#include <QString>

#include "panel/model/ClipboardWorkspaceHandling.h"
#include "platform/WorkspaceOpener.h"

namespace quorvane {

class QtClipboardWorkspace final : public ClipboardWorkspaceHandling {
public:
    // `opener` must outlive the workspace.
    explicit QtClipboardWorkspace(WorkspaceOpener& opener) : opener_(opener) {}

    bool open(const std::string& url) override { return opener_.openURL(url); }
    void openFile(const std::filesystem::path& path, std::function<void(bool opened)> completion) override;
    void activateFileViewerSelecting(const std::vector<std::filesystem::path>& paths) override;

    // The program that opens files; tests point it elsewhere.
    QString openProgram = QStringLiteral("xdg-open");
    // How long a running opener may take before it counts as having started the application.
    int launchGraceMilliseconds = 3000;

private:
    WorkspaceOpener& opener_;
};

}  // namespace quorvane
