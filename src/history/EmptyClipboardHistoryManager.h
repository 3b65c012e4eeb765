#pragma once

// Stands in for the history manager while the clipboard services do not exist: lists are empty, changes do
// nothing, and work runs at once (there is no capture to suspend). Reads answer on a later turn of the main
// queue, as the real manager's do. Main thread only.

#include <memory>
#include <utility>

#include "history/ClipboardHistoryManagerProtocol.h"
#include "platform/MainQueue.h"

namespace quorvane {

class EmptyClipboardHistoryManager final : public ClipboardHistoryManagerProtocol {
public:
    explicit EmptyClipboardHistoryManager(std::shared_ptr<MainQueue> mainQueue)
        : mainQueue_(std::move(mainQueue)) {}

    void getHistorySnapshots(const std::string&, std::optional<std::size_t>,
                             SnapshotsCompletion completion) override {
        mainQueue_->post([completion = std::move(completion)] { completion({}); });
    }
    void getContentSnapshotById(const std::string&, ContentCompletion completion) override {
        mainQueue_->post([completion = std::move(completion)] { completion(std::nullopt); });
    }
    void getHistoryCounts(CountsCompletion completion) override {
        mainQueue_->post([completion = std::move(completion)] { completion({}); });
    }
    void deleteItem(const std::string&) override {}
    void clearHistory() override {}
    // There is no store to clear: saying it was cleared would hide that the services are missing.
    std::optional<std::string> tryClearHistory() override { return "the history store is not open"; }
    void recordUsage(const std::string&) override {}
    void runWithCaptureSuspended(const std::function<void()>& body) override { body(); }

private:
    std::shared_ptr<MainQueue> mainQueue_;
};

}  // namespace quorvane
