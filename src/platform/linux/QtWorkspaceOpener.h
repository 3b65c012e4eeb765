#pragma once

// Opens URLs and files through the desktop's handlers (xdg-open, via Qt). The accessibility settings address
// ("settings://accessibility") opens the running desktop's settings program at its accessibility pane:
// GNOME's or KDE's; on any other desktop it cannot be opened. Call on the main queue only.

#include "platform/WorkspaceOpener.h"

namespace quorvane {

class QtWorkspaceOpener final : public WorkspaceOpener {
public:
    bool openURL(const std::string& url) override;
    bool openFile(const std::filesystem::path& path) override;
    bool canOpenURL(const std::string& url) const override;
};

}  // namespace quorvane
