#pragma once

// Opens URLs and files through the desktop's handlers. The accessibility settings address
// ("settings://accessibility") opens the running desktop's settings program at its accessibility pane:
// GNOME's or KDE's; on any other desktop it cannot be opened.
//
// What the user opens from an entry goes through xdg-open, whose exit status says whether a handler took it
// (xdg-open fails when the desktop has none for the type; one still running after a few seconds runs the
// application itself, which counts as opened). Files are shown in the file manager through
// org.freedesktop.FileManager1 ShowItems, or, without a file manager on the session bus, by opening their
// folder. Call on the main queue only.

#include <QString>

#include "platform/WorkspaceOpener.h"

namespace quorvane {

class QtWorkspaceOpener final : public WorkspaceOpener {
public:
    bool openURL(const std::string& url) override;
    bool openFile(const std::filesystem::path& path) override;
    bool canOpenURL(const std::string& url) const override;
    void openURL(const std::string& url, Outcome outcome) override;
    void openFile(const std::filesystem::path& path, Outcome outcome) override;
    void activateFileViewerSelecting(const std::vector<std::filesystem::path>& paths) override;

    // The program that opens what an entry holds; tests point it elsewhere.
    QString openProgram = QStringLiteral("xdg-open");
    // How long a running opener may take before it counts as having started the application.
    int launchGraceMilliseconds = 3000;

private:
    void launch(const QString& target, Outcome outcome);
};

}  // namespace quorvane
