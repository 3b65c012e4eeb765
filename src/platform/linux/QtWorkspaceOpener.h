#pragma once

// Opens URLs and files through the desktop's handlers (xdg-open, via Qt). Call on the main queue only.

#include "platform/WorkspaceOpener.h"

namespace quorvane {

class QtWorkspaceOpener final : public WorkspaceOpener {
public:
    bool openURL(const std::string& url) override;
    bool openFile(const std::filesystem::path& path) override;
};

}  // namespace quorvane
