#pragma once

// The only writer of the persisted history: every entry is an index record and a content record with the same
// id in "clipboard_history.sqlite", mirrored into the search index. Writes and every use of the main store
// context happen on the main thread (an entry point called elsewhere runs its body there synchronously);
// reads run on the read queue, each with a connection of its own, and complete on the main queue exactly
// once; index jobs, and the read of an index rebuild, run on the search-index sync queue. Every operation is
// one transaction, rolled back on failure.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/SerialQueue.h"
#include "history/ClipboardHistoryRepositoryProtocol.h"
#include "history/ClipboardHistorySearchIndexSync.h"
#include "history/store/ClipboardHistoryStore.h"
#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "system/DataDirectoryManager.h"

namespace quorvane {

class ClipboardHistoryRepository final : public ClipboardHistoryRepositoryProtocol {
public:
    // Creates the storage directory and opens the store, then queues on the index queue the fill of an empty
    // search index from it and the index's reconciliation with the history, and refills the index whenever
    // its store replaces a damaged file. Call on the main thread. Throws std::filesystem::filesystem_error or
    // HistoryStoreError; `searchIndexStore` may be null, and then nothing is indexed. The queue, notification
    // center, settings and clock must outlive it.
    ClipboardHistoryRepository(DataDirectoryManager& dataDirectoryManager,
                               std::shared_ptr<ClipboardSearchIndexStoreProtocol> searchIndexStore,
                               MainQueue& mainQueue, NotificationCenter& notificationCenter,
                               UserDefaults& userDefaults, const Clock& clock);
    ~ClipboardHistoryRepository() override;
    ClipboardHistoryRepository(const ClipboardHistoryRepository&) = delete;
    ClipboardHistoryRepository& operator=(const ClipboardHistoryRepository&) = delete;

    void saveTextItem(NewTextItem item) override;
    void saveImageItem(NewImageItem item) override;
    void updateOCRText(const std::string& id, const std::string& searchText,
                       const std::optional<std::string>& ocrText) override;
    void getHistorySnapshots(const std::string& searchQuery, std::optional<std::size_t> limit,
                             SnapshotsCompletion completion) override;
    void getContentSnapshotById(const std::string& id, ContentCompletion completion) override;
    void getHistoryCounts(CountsCompletion completion) override;
    void deleteItem(const std::string& id) override;
    std::int64_t deleteExpiredItems(Date cutoff, ClipboardContentType contentType) override;
    // Refused, with an ERROR line, while the storage directory is being moved. Recorded in the storage folder
    // before it starts (see ClipboardHistoryClearRecord); waits until the index is empty and both files and
    // their logs hold nothing cleared, and reports whatever failed on the way.
    void clearHistory() override;
    std::optional<std::string> tryClearHistory() override;
    ClipboardHistoryUsageMetadata removeDuplicateTexts(const std::string& text,
                                                       const std::optional<Bytes>& richTextRTFData,
                                                       const std::optional<Bytes>& richTextHTMLData,
                                                       const std::optional<std::string>& idToKeep) override;
    ClipboardHistoryUsageMetadata removeDuplicateImages(const Bytes& imageData,
                                                        const std::optional<std::string>& idToKeep) override;
    void recordUsage(const std::string& id) override;
    void getSearchSourceDocuments(
        std::function<void(std::optional<std::vector<ClipboardSearchSourceDocument>>)> completion) override;
    void rebuildSearchIndexInOrder(
        std::function<void(std::optional<std::vector<ClipboardSearchSourceDocument>>)> rebuild) override;

    // Waits for the queued index jobs and reads, then closes the history store and lets go of the index
    // store: for moving the storage directory and for shut-down. Afterwards writes do nothing and reads are
    // empty.
    void quiesce();
    // Waits until the index jobs queued so far have run.
    void waitForSearchIndexJobs() { indexSync_.drain(); }

    // True once a write or read found the history file damaged: from then on this run writes nothing to it
    // (saves and removals do nothing, quietly), and historyDamagedNotification has been posted once.
    bool isDamaged() const { return damage_->load(); }
    static constexpr const char* historyDamagedNotification = "Quorvane.ClipboardHistoryDamaged";

    // SHA-256 (lower-case hex) of "text", one NUL byte and the text's UTF-8 bytes.
    static std::string textFingerprint(std::string_view text);
    // SHA-256 (lower-case hex) of the bytes as stored.
    static std::string imageFingerprint(const Bytes& imageData);

private:
    template <class F>
    auto onMain(F&& body) -> decltype(body());
    bool saveContext();
    // The clear itself; returns why it failed.
    std::optional<std::string> clearStores();
    // Stops writing after the first damage found: one ERROR naming the recovery, one notification.
    void noteDamage(const std::exception& error);
    // The same for read jobs, which find damage on their own connections; empty once the store is closed.
    std::function<void(std::string)> damageReporter() const;
    std::optional<ClipboardHistoryIndex> findIndex(const std::string& id);
    std::optional<ClipboardHistoryContent> findContent(const std::string& id);
    // Deletes the pair and merges the index record's usage into `usage`.
    void removeEntry(const ClipboardHistoryContent& content, ClipboardHistoryUsageMetadata& usage,
                     std::vector<std::string>& removedIDs);
    ClipboardHistoryUsageMetadata finishDuplicateRemoval(const ClipboardHistoryUsageMetadata& usage,
                                                         const std::vector<std::string>& removedIDs);
    // Inserts both halves, saves, queues the index row and announces the change.
    void saveNewEntry(ClipboardHistoryIndex index, ClipboardHistoryContent content,
                      const ClipboardSearchSourceDocument& document, bool indexSynchronously);
    bool isWithinSizeLimit(std::size_t byteCount) const;
    void postChange();
    // The store for a read job; safe from any thread.
    std::weak_ptr<ClipboardHistoryStore> storeForReading() const;
    void closeStore();

    // Its storage-move flag keeps clearing the history out while a move runs.
    const DataDirectoryManager& dataDirectoryManager_;
    MainQueue& mainQueue_;
    NotificationCenter& notificationCenter_;
    UserDefaults& userDefaults_;
    const Clock& clock_;
    SerialQueue readQueue_{"Quorvane.ClipboardHistoryRepository.ReadQueue"};
    ClipboardHistorySearchIndexSync indexSync_;
    // Read jobs hold it weakly: once the repository lets go, they answer empty. Changed on the main thread
    // only, under the mutex, because reads may start on any thread.
    std::shared_ptr<ClipboardHistoryStore> store_;
    // Shared with the read jobs, which find damage on their own connections.
    std::shared_ptr<std::atomic<bool>> damage_ = std::make_shared<std::atomic<bool>>(false);
    mutable std::mutex storeMutex_;
    // Saves failed in a row (main thread only): only the first is logged as an ERROR.
    std::uint64_t failedSaves_ = 0;
};

}  // namespace quorvane
