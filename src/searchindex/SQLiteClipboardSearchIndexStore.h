#pragma once

// The search index: "clipboard_search.sqlite", one row per history entry with its normalised, compact and
// pinyin texts, each entry's rank in the recency order, FTS5 tables of words, of two- and three-character
// runs and of leading characters (all keyed by rank), and a key/value table. Shared by the
// history store (writes) and the search service (reads, rebuild). Safe from any thread: writes run on the
// store's own serial queue and connection, searches on a second queue with a read connection. A file that is
// not a database, or whose contents are damaged (found at the open or by any later statement), is moved aside
// (never deleted) and replaced by an empty index; the recovery handler tells the history store to fill it
// again.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/SerialQueue.h"
#include "platform/Clock.h"
#include "platform/UserDefaults.h"
#include "searchindex/ClipboardSearchIndexStoreProtocol.h"
#include "searchindex/ClipboardSearchVocabulary.h"
#include "searchindex/SQLiteClipboardSearchIndexStoreError.h"
#include "sqlite/SQLiteDatabase.h"

namespace quorvane {

class SQLiteError;

class SQLiteClipboardSearchIndexStore final : public ClipboardSearchIndexStoreProtocol {
public:
    // How long a statement waits for another connection's lock, as the history store's connections do.
    static constexpr int busyTimeoutMilliseconds = 5000;
    // The size the write-ahead log is cut back to once its contents are in the file.
    static constexpr std::int64_t kLogSizeLimitBytes = 16 * 1024 * 1024;
    // The read connection's page cache, used for the part of the file beyond its memory map.
    static constexpr std::int64_t kReadCacheKilobytes = 32 * 1024;

    // Opens (creating) the index at `databasePath`, creating its parent directory, and brings its schema up
    // to date. Throws std::filesystem::filesystem_error or SQLiteClipboardSearchIndexStoreError; a store that
    // could not be opened is never returned. `clock` dates rebuilds and set-aside files.
    // `userDefaults` holds the user's classification rules; `resolveBundleIdentifiers` turns an "app:" value
    // into stored identifiers (by default it matches the identifiers themselves).
    SQLiteClipboardSearchIndexStore(
        std::filesystem::path databasePath, std::shared_ptr<UserDefaults> userDefaults,
        std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>(),
        ClipboardSearchVocabulary::BundleIdentifierResolver resolveBundleIdentifiers = nullptr);
    ~SQLiteClipboardSearchIndexStore() override;

    const std::filesystem::path& databasePath() const { return databasePath_; }

    ClipboardSearchIndexStats rebuild(const std::vector<ClipboardSearchIndexDocument>& documents) override;
    ClipboardSearchIndexStats rebuildInBatches(
        const std::function<void(const DocumentBatch&)>& fill) override;
    void eraseRemovedData() override;
    void upsert(const ClipboardSearchIndexDocument& document) override;
    void deleteDocuments(const std::vector<std::string>& itemIDs) override;
    void updateAccess(const std::string& itemID, Date sortAt, std::optional<Date> lastAccessedAt,
                      std::int64_t accessCount) override;
    ClipboardSearchIndexStats stats() override;
    bool isEmpty() override;
    void setBeingFilled(bool filling) override { beingFilled_ = filling; }
    std::vector<std::string> documentItemIDs() override;
    void setRecoveryHandler(std::function<void()> handler) override;
    ClipboardSearchPage fetchRecent(std::int64_t limit, std::int64_t offset) override;
    ClipboardSearchPage search(const ClipboardSearchQueryText& query,
                               const std::vector<ClipboardSearchFilter>& filters, std::int64_t limit,
                               std::int64_t offset) override;
    void syncVoid(const std::function<void()>& body) override;

    // Every run of n consecutive characters of `text`, for each n of `sizes`; a text shorter than n gives no
    // grams of that size.
    static std::set<std::string> makeGrams(std::string_view text, const std::vector<int>& sizes);

    // The text with which the rebuild time is stored: the shortest decimal that reads back to the same
    // double, always with a fractional digit ("1700000000.0").
    static std::string formatMetaDate(double secondsSince1970);
    // Reads such a text back; nothing for an empty, blank-led or partly numeric text.
    static std::optional<double> parseMetaDate(const std::string& text);

    // The entries from `offset` on, at most `limit` of them, and whether any entry follows.
    static ClipboardSearchPage page(std::vector<ClipboardHistoryIndexSnapshot> rows, std::int64_t offset,
                                    std::int64_t limit);

private:
    // Runs `body` with the open connection on the queue, turning SQLite failures into the store's error and
    // setting a damaged file aside.
    template <class F>
    auto perform(F&& body) -> decltype(body(std::declval<SQLiteDatabase&>()));
    // Runs `body` with the read connection on the read queue, so searches never wait behind writes (the
    // write-ahead log lets them read the last committed state meanwhile).
    template <class F>
    auto performRead(F&& body) -> decltype(body(std::declval<SQLiteDatabase&>()));
    void openReadConnection();
    // Fills the search tables from the documents on the write queue; searches fail meanwhile.
    void reindexInBackground();
    // Forgets the cached application identifiers when a write may have changed them: a new identifier, or an
    // entry re-indexed under another one.
    void forgetAppIdentifiers();
    void noteAppIdentifier(const std::optional<std::string>& added,
                           const std::optional<std::string>& replaced);

    ClipboardSearchPage filteredSearch(SQLiteDatabase& db, const ClipboardSearchQueryText& query,
                                       const std::vector<ClipboardSearchFilter>& filters, std::int64_t limit,
                                       std::int64_t offset);
    std::optional<std::vector<std::string>> appBundleIdentifiers(SQLiteDatabase& db,
                                                                 const std::optional<std::string>& appValue);
    bool namesUserClassification(const std::string& value) const;

    void openConnection();
    void configure(SQLiteDatabase& db);
    // Queues one step of merging the full-text segments the writes left, unless one is queued already; each
    // step queues the next while there is work, so writes queued meanwhile run between the steps.
    void scheduleTidy();
    void tidy();
    // SQLite's commit hook of the write connection (in place of its automatic checkpoint).
    static int walCommitted(void* context, sqlite3* db, const char* database, int frames);
    void checkpoint();
    // Moves the damaged file aside and opens an empty index in its place; false when that failed too.
    bool recoverFromCorruption(const SQLiteError& error);
    std::filesystem::path moveDamagedFilesAside();

    std::filesystem::path databasePath_;
    std::shared_ptr<UserDefaults> userDefaults_;
    std::shared_ptr<const Clock> clock_;
    ClipboardSearchVocabulary::BundleIdentifierResolver resolveBundleIdentifiers_;
    SerialQueue queue_{"SQLiteClipboardSearchIndexStore.Queue"};
    // Absent only after a damaged file could not be replaced.
    std::unique_ptr<SQLiteDatabase> db_;
    // Used on the queue only. A replacement with no handler to hear of it waits in `recoveryPending_`.
    std::function<void()> recoveryHandler_;
    bool recoveryPending_ = false;
    // Whether the open file replaced a damaged one, and the writes it has taken since its refill.
    bool onRecoveredFile_ = false;
    std::uint64_t writesSinceRecovery_ = 0;
    bool tidyScheduled_ = false;
    // Whether this connection has turned FTS5's merging inside writes off (see tidy()).
    bool automergeOff_ = false;
    // Counts replacements of a damaged file; a read connection opened before one is reopened.
    std::atomic<std::uint64_t> fileGeneration_{0};
    // Set by configure() when the documents have no ranks yet; searches fail while reindexing.
    bool needsReindex_ = false;
    std::atomic<bool> reindexing_{false};
    // Set by the history's first fill of an empty index; reads step aside meanwhile.
    std::atomic<bool> beingFilled_{false};
    // Set while a damaged file is moved aside and replaced.
    std::atomic<bool> recovering_{false};
    SerialQueue readQueue_{"SQLiteClipboardSearchIndexStore.ReadQueue"};
    // Checkpoints run on their own connection and queue, so neither writes nor reads wait for them.
    SerialQueue checkpointQueue_{"SQLiteClipboardSearchIndexStore.CheckpointQueue"};
    std::unique_ptr<SQLiteDatabase> checkpointDb_;
    std::uint64_t checkpointGeneration_ = 0;
    std::atomic<bool> checkpointScheduled_{false};
    std::unique_ptr<SQLiteDatabase> readDb_;
    std::uint64_t readGeneration_ = 0;
    // The distinct stored application identifiers, read once and kept until a write changes them.
    std::mutex appIdentifiersMutex_;
    std::optional<std::vector<std::string>> appIdentifiers_;
};

}  // namespace quorvane
