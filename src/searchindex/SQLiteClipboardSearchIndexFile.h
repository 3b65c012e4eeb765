#pragma once

// The search index's file and its three connections: the write connection on its serial queue (the schema
// brought up to date at the open, an earlier layout reindexed in the background, full-text segments merged
// between writes), the read connection on a second queue, and checkpoints on a third. A file that is not a
// database, or whose contents are damaged (found at the open or by any later statement), is moved aside
// (never deleted) and replaced by an empty index; the recovery handler hears of it. Used by
// SQLiteClipboardSearchIndexStore alone. Safe from any thread.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <utility>

#include "base/SerialQueue.h"
#include "platform/Clock.h"
#include "searchindex/SQLiteClipboardSearchIndexStoreError.h"
#include "sqlite/SQLiteDatabase.h"
#include "sqlite/SQLiteError.h"

struct sqlite3;

namespace quorvane {

class SQLiteClipboardSearchIndexFile {
public:
    // How long a statement waits for another connection's lock, as the history store's connections do.
    static constexpr int busyTimeoutMilliseconds = 5000;
    // The size the write-ahead log is cut back to once its contents are in the file.
    static constexpr std::int64_t kLogSizeLimitBytes = 16 * 1024 * 1024;
    // The read connection's page cache, used for the part of the file beyond its memory map.
    static constexpr std::int64_t kReadCacheKilobytes = 32 * 1024;

    // Opens (creating) the file at `databasePath`, creating its parent directory, and brings its schema up to
    // date. Throws std::filesystem::filesystem_error or SQLiteClipboardSearchIndexStoreError. `clock` dates
    // set-aside files; `forgetCaches` runs on the write queue whenever what the connections read may have
    // changed under the owner's caches (a file replaced).
    SQLiteClipboardSearchIndexFile(std::filesystem::path databasePath, std::shared_ptr<const Clock> clock,
                                   std::function<void()> forgetCaches);
    ~SQLiteClipboardSearchIndexFile();
    SQLiteClipboardSearchIndexFile(const SQLiteClipboardSearchIndexFile&) = delete;
    SQLiteClipboardSearchIndexFile& operator=(const SQLiteClipboardSearchIndexFile&) = delete;

    const std::filesystem::path& databasePath() const { return databasePath_; }

    // Runs `body` with the write connection on the write queue and returns its result, turning SQLite
    // failures into the store's error and setting a damaged file aside.
    template <class F>
    auto write(F&& body) -> decltype(body(std::declval<SQLiteDatabase&>()));
    // Runs `body` in one snapshot of the read connection on the read queue, so searches never wait behind
    // writes (the write-ahead log lets them read the last committed state meanwhile). Throws
    // ClipboardSearchIndexBuildingError while the index is being filled or reindexed.
    template <class F>
    auto read(F&& body) -> decltype(body(std::declval<SQLiteDatabase&>()));
    // Runs `body` on the write queue and waits for it.
    void sync(const std::function<void()>& body) { queue_.sync(body); }

    // A write took place: counts towards trusting a refilled file again. On the write queue only.
    void noteWrite() { ++writesSinceRecovery_; }
    // Queues one step of merging the full-text segments the writes left, unless one is queued already; each
    // step queues the next while there is work, so writes queued meanwhile run between the steps. On the
    // write queue only.
    void scheduleTidy();
    // Rewrites the file without the pages and log frames of removed rows. Waits for the write queue.
    void eraseRemovedData();

    // Whether the search tables are being filled again from the documents (an earlier layout was opened).
    bool isReindexing() const { return reindexing_; }
    // Set by the history's first fill of an empty index; reads step aside meanwhile.
    void setBeingFilled(bool filling) { beingFilled_ = filling; }
    // Runs `handler` on the write queue whenever a damaged file has been replaced; a replacement that had no
    // handler to hear of it is told to the first one set. A handler is set on the queue, behind the work
    // queued before, without waiting; null waits until no report can reach the earlier handler.
    void setRecoveryHandler(std::function<void()> handler);

    // The store's error for a failure of SQLite.
    static SQLiteClipboardSearchIndexStoreError storeError(const SQLiteError& error);

    // Raises the connection's page cache for one bulk write and restores it on every path.
    class WideCache {
    public:
        explicit WideCache(SQLiteDatabase& db);
        ~WideCache();
        WideCache(const WideCache&) = delete;
        WideCache& operator=(const WideCache&) = delete;

    private:
        SQLiteDatabase& db_;
    };

private:
    void openConnection();
    void configure(SQLiteDatabase& db);
    void openReadConnection();
    // Fills the search tables from the documents on the write queue; searches fail meanwhile.
    void reindexInBackground();
    void tidy();
    // SQLite's commit hook of the write connection (in place of its automatic checkpoint).
    static int walCommitted(void* context, sqlite3* db, const char* database, int frames);
    void checkpoint();
    // Moves the damaged file aside and opens an empty index in its place; false when that failed too.
    bool recoverFromCorruption(const SQLiteError& error);
    std::filesystem::path moveDamagedFilesAside();
    // Thrown by read() while the file is being replaced or rebuilt.
    void throwUnlessReadable() const;
    // The read connection's view of a failure: a damaged file is queued for recovery on the write queue.
    void readFailed(const SQLiteError& error);

    std::filesystem::path databasePath_;
    std::shared_ptr<const Clock> clock_;
    std::function<void()> forgetCaches_;
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
};

template <class F>
auto SQLiteClipboardSearchIndexFile::write(F&& body) -> decltype(body(std::declval<SQLiteDatabase&>())) {
    return queue_.syncResult([&] {
        if (!db_) {
            throw SQLiteClipboardSearchIndexStoreError(
                SQLiteClipboardSearchIndexStoreError::Kind::openDatabase, "Unknown SQLite error");
        }
        try {
            return body(*db_);
        } catch (const SQLiteError& error) {
            if (error.isCorruption()) recoverFromCorruption(error);
            throw storeError(error);
        }
    });
}

template <class F>
auto SQLiteClipboardSearchIndexFile::read(F&& body) -> decltype(body(std::declval<SQLiteDatabase&>())) {
    return readQueue_.syncResult([&] {
        throwUnlessReadable();
        try {
            if (!readDb_ || readGeneration_ != fileGeneration_) openReadConnection();
            // One snapshot for every statement of a read: a search looks words up before it matches them.
            readDb_->execute("BEGIN;");
            try {
                auto result = body(*readDb_);
                readDb_->execute("COMMIT;");
                return result;
            } catch (...) {
                try {
                    readDb_->execute("ROLLBACK;");
                } catch (const SQLiteError&) {
                    // The read's own error is the one to report.
                }
                throw;
            }
        } catch (const SQLiteError& error) {
            readFailed(error);
            throw storeError(error);
        }
    });
}

}  // namespace quorvane
