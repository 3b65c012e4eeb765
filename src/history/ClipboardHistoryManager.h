#pragma once

// The history facade of the panels: forwards the five history operations to the repository unchanged and runs
// suspended work through capture suspension (the pasteboard monitor), so our own pasteboard writes are not
// captured. Main thread only, like the repository's writes and the monitor.

#include <memory>

#include "history/CaptureSuspension.h"
#include "history/ClipboardHistoryManagerProtocol.h"
#include "history/ClipboardHistoryRepositoryProtocol.h"

namespace quorvane {

class ClipboardHistoryManager final : public ClipboardHistoryManagerProtocol {
public:
    ClipboardHistoryManager(std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository,
                            std::shared_ptr<CaptureSuspension> captureSuspension)
        : repository_(std::move(repository)), captureSuspension_(std::move(captureSuspension)) {}
    ClipboardHistoryManager(const ClipboardHistoryManager&) = delete;
    ClipboardHistoryManager& operator=(const ClipboardHistoryManager&) = delete;

    void getHistorySnapshots(const std::string& searchQuery, std::optional<std::size_t> limit,
                             SnapshotsCompletion completion) override {
        repository_->getHistorySnapshots(searchQuery, limit, std::move(completion));
    }
    void getContentSnapshotById(const std::string& id, ContentCompletion completion) override {
        repository_->getContentSnapshotById(id, std::move(completion));
    }
    void getHistoryCounts(CountsCompletion completion) override {
        repository_->getHistoryCounts(std::move(completion));
    }
    void deleteItem(const std::string& id) override { repository_->deleteItem(id); }
    void clearHistory() override { repository_->clearHistory(); }
    std::optional<std::string> tryClearHistory() override { return repository_->tryClearHistory(); }
    void recordUsage(const std::string& id) override { repository_->recordUsage(id); }
    void runWithCaptureSuspended(const std::function<void()>& body) override {
        captureSuspension_->runWithCaptureSuspended(body);
    }

private:
    std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository_;
    std::shared_ptr<CaptureSuspension> captureSuspension_;
};

}  // namespace quorvane
