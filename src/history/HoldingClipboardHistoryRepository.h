#pragma once

// Stands in for the history repository while a storage move has closed it: captured entries are held in
// memory, in order, and handed to the repository in use once the move ends or fails (replayInto()), so a
// copy made during the move is in the history afterwards. Reads are empty and removals do nothing, like the
// empty repository's; held entries are neither indexed nor announced until they are replayed. Main thread.

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "history/ClipboardHistoryRepositoryProtocol.h"
#include "platform/MainQueue.h"

namespace quorvane {

class HoldingClipboardHistoryRepository final : public ClipboardHistoryRepositoryProtocol {
public:
    explicit HoldingClipboardHistoryRepository(std::shared_ptr<MainQueue> mainQueue);

    void saveTextItem(NewTextItem item) override;
    void saveImageItem(NewImageItem item) override;
    void updateOCRText(const std::string& id, const std::string& searchText,
                       const std::optional<std::string>& ocrText) override;
    void getHistorySnapshots(const std::string&, std::optional<std::size_t>,
                             SnapshotsCompletion completion) override;
    void getContentSnapshotById(const std::string&, ContentCompletion completion) override;
    void getHistoryCounts(CountsCompletion completion) override;
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
    void getSearchSourceDocuments(
        std::function<void(std::optional<std::vector<ClipboardSearchSourceDocument>>)> completion) override;
    void rebuildSearchIndexInOrder(
        std::function<void(std::optional<std::vector<ClipboardSearchSourceDocument>>)> rebuild) override;

    std::size_t heldCount() const { return held_.size(); }
    // Saves the held entries into `repository` in the order they were captured, each replacing its earlier
    // duplicates there as a fresh capture would, and lets go of them.
    void replayInto(ClipboardHistoryRepositoryProtocol& repository);

private:
    std::shared_ptr<MainQueue> mainQueue_;
    // In the order they were captured.
    std::vector<std::variant<NewTextItem, NewImageItem>> held_;
};

}  // namespace quorvane
