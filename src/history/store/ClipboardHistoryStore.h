#pragma once

// The history store file ("clipboard_history.sqlite"): one table per record class, a unique id per table,
// write-ahead logging, and secure deletion so cleared history does not stay readable in the file. The header
// carries our application id and the schema version; a file that is not ours, or that a newer version wrote,
// is refused and left untouched. A marker file beside the store lives while the store is open; found at the
// next open it means the last run did not stop cleanly, and the store is checked for damage first. A damaged
// store is refused untouched too. The main context is for the main thread only; makeReadContext() is safe
// from any thread and gives each read job a connection of its own. The write-ahead log is folded back into
// the file on a worker of the store's own, not inside the main thread's commits.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "base/SerialQueue.h"
#include "history/store/ClipboardHistoryStoreContext.h"

struct sqlite3;

namespace quorvane {

class ClipboardHistoryStore {
public:
    // "QVHS" in the header's application-id field.
    static constexpr std::int32_t applicationID = 0x51564853;
    static constexpr std::int64_t schemaVersion = 1;

    // Opens or creates the store at `file` (created with mode 0600). Throws HistoryStoreError.
    explicit ClipboardHistoryStore(std::filesystem::path file);
    // Removes the marker: this was a clean stop.
    ~ClipboardHistoryStore();
    ClipboardHistoryStore(const ClipboardHistoryStore&) = delete;
    ClipboardHistoryStore& operator=(const ClipboardHistoryStore&) = delete;

    const std::filesystem::path& file() const { return file_; }
    // The marker of an open store: "<file>.running".
    static std::filesystem::path runningMarker(const std::filesystem::path& file);
    ClipboardHistoryStoreContext& mainContext() { return *mainContext_; }
    // A fresh read-only context that sees everything saved so far. Throws HistoryStoreError.
    std::unique_ptr<ClipboardHistoryStoreContext> makeReadContext() const;
    // Reads every page of the file on a connection of its own and returns the first damage found, or
    // nothing for a sound file. Throws HistoryStoreError when no connection can be opened.
    std::optional<std::string> findDamage() const;
    // Waits until the log checkpoints asked for so far have run.
    void drainCheckpoints() { checkpointQueue_->drain(); }

private:
    // SQLite's commit hook of the main connection, in place of its automatic checkpoint.
    static int logCommitted(void* store, sqlite3* db, const char* database, int frames);
    void checkpoint();

    std::filesystem::path file_;
    std::unique_ptr<ClipboardHistoryStoreContext> mainContext_;
    sqlite3* writer_ = nullptr;
    // Used on the checkpoint queue only.
    std::unique_ptr<SQLiteDatabase> checkpointConnection_;
    std::atomic<bool> checkpointScheduled_{false};
    std::unique_ptr<SerialQueue> checkpointQueue_ =
        std::make_unique<SerialQueue>("ClipboardHistoryStore.CheckpointQueue");
};

}  // namespace quorvane
