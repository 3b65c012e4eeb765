#pragma once

// Stands in for the history repository while none exists: saves and changes do nothing, reads are empty,
// duplicate removals give the empty usage. Never logs, notifies or touches the search index. Reads answer on
// a later turn of the main queue, as the real repository's do, so a caller behaves the same with either.

#include <memory>
#include <utility>

#include "history/ClipboardHistoryRepositoryProtocol.h"
#include "platform/MainQueue.h"

namespace quorvane {

class EmptyClipboardHistoryRepository final : public ClipboardHistoryRepositoryProtocol {
public:
    explicit EmptyClipboardHistoryRepository(std::shared_ptr<MainQueue> mainQueue)
        : mainQueue_(std::move(mainQueue)) {}

    void saveTextItem(NewTextItem) override {}
    void saveImageItem(NewImageItem) override {}
    void updateOCRText(const std::string&, const std::string&, const std::optional<std::string>&) override {}
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
    std::int64_t deleteExpiredItems(Date, ClipboardContentType) override { return 0; }
    void clearHistory() override {}
    ClipboardHistoryUsageMetadata removeDuplicateTexts(const std::string&, const std::optional<Bytes>&,
                                                       const std::optional<Bytes>&,
                                                       const std::optional<std::string>&) override {
        return ClipboardHistoryUsageMetadata::empty;
    }
    ClipboardHistoryUsageMetadata removeDuplicateImages(const Bytes&,
                                                        const std::optional<std::string>&) override {
        return ClipboardHistoryUsageMetadata::empty;
    }
    void recordUsage(const std::string&) override {}
    // An empty history is a successful read.
    void getSearchSourceDocuments(
        std::function<void(std::optional<std::vector<ClipboardSearchSourceDocument>>)> completion) override {
        mainQueue_->post([completion = std::move(completion)] {
            completion(std::vector<ClipboardSearchSourceDocument>{});
        });
    }
    void rebuildSearchIndexInOrder(
        std::function<void(std::optional<std::vector<ClipboardSearchSourceDocument>>)> rebuild) override {
        rebuild(std::vector<ClipboardSearchSourceDocument>{});
    }

private:
    std::shared_ptr<MainQueue> mainQueue_;
};

}  // namespace quorvane
