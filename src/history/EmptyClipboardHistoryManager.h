#pragma once

// Stands in for the history manager while the clipboard services do not exist: lists are empty, changes do
// nothing, and work runs at once (there is no capture to suspend). Main thread only.

#include "history/ClipboardHistoryManagerProtocol.h"

namespace quorvane {

class EmptyClipboardHistoryManager final : public ClipboardHistoryManagerProtocol {
public:
    // The completions run before the call returns: there is nothing to wait for.
    void getHistorySnapshots(const std::string&, std::optional<std::size_t>,
                             SnapshotsCompletion completion) override {
        completion({});
    }
    void getContentSnapshotById(const std::string&, ContentCompletion completion) override {
        completion(std::nullopt);
    }
    void deleteItem(const std::string&) override {}
    void clearHistory() override {}
    void recordUsage(const std::string&) override {}
    void runWithCaptureSuspended(const std::function<void()>& body) override { body(); }
};

}  // namespace quorvane
