#pragma once

// A workspace that opens nothing and remembers what it was asked to open. The calls with an outcome answer
// at once with `succeeds`. Call on the main queue only.

#include <algorithm>
#include <vector>

#include "platform/WorkspaceOpener.h"

namespace quorvane {

class RecordingWorkspaceOpener final : public WorkspaceOpener {
public:
    bool openURL(const std::string& url) override {
        openedURLs.push_back(url);
        return succeeds;
    }
    bool openFile(const std::filesystem::path& path) override {
        openedFiles.push_back(path);
        return succeeds;
    }
    void openURL(const std::string& url, Outcome outcome) override {
        const bool opened = openURL(url);
        if (outcome) outcome(opened);
    }
    void openFile(const std::filesystem::path& path, Outcome outcome) override {
        const bool opened = openFile(path);
        if (outcome) outcome(opened);
    }
    void activateFileViewerSelecting(const std::vector<std::filesystem::path>& paths) override {
        revealed.push_back(paths);
    }

    bool canOpenURL(const std::string& url) const override {
        return std::find(unopenableURLs.begin(), unopenableURLs.end(), url) == unopenableURLs.end();
    }

    std::vector<std::string> openedURLs;
    // What canOpenURL() says no to.
    std::vector<std::string> unopenableURLs;
    std::vector<std::filesystem::path> openedFiles;
    std::vector<std::vector<std::filesystem::path>> revealed;
    // What the calls report.
    bool succeeds = true;
};

}  // namespace quorvane
