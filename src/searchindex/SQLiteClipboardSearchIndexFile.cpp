#include "searchindex/SQLiteClipboardSearchIndexFile.h"

#include <sqlite3.h>

#include <ctime>
#include <string>

#include "base/Logger.h"
#include "searchindex/ClipboardSearchIndexSchema.h"
#include "searchindex/ClipboardSearchIndexWriter.h"
#include "searchindex/ClipboardSearchTokenizers.h"
#include "sqlite/SQLiteTransaction.h"

namespace quorvane {
namespace {

// Log frames (pages) after which a commit asks for a checkpoint; SQLite's own default.
constexpr int kCheckpointFrames = 1000;
// Pages merged per step of tidy(): about a millisecond of work, so a write waits no longer behind one.
constexpr int kMergePages = 16;
// Writes a refilled index takes before new damage is no longer put down to the refill.
constexpr std::uint64_t kWritesBeforeAnotherRefill = 50;

std::string utcStamp(Date date) {
    const auto seconds = static_cast<std::time_t>(date.timeIntervalSince1970);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y%m%dT%H%M%SZ", &parts);
    return buffer;
}

// The last connection to a file deletes its write-ahead log and the log's index by name when it closes; once
// a damaged file is set aside, those names are the new file's. Every connection of the store keeps them
// (the log is emptied instead), except the last one of an orderly close.
void keepLogOnClose(SQLiteDatabase& db, bool keep = true) {
    int keepFlag = keep ? 1 : 0;
    sqlite3_file_control(db.handle(), "main", SQLITE_FCNTL_PERSIST_WAL, &keepFlag);
}

}  // namespace

SQLiteClipboardSearchIndexStoreError SQLiteClipboardSearchIndexFile::storeError(const SQLiteError& error) {
    using Kind = SQLiteClipboardSearchIndexStoreError::Kind;
    switch (error.kind()) {
        case SQLiteError::Kind::open:
            return {Kind::openDatabase, error.message()};
        case SQLiteError::Kind::execute:
            return {Kind::execute, error.message()};
        case SQLiteError::Kind::prepare:
        case SQLiteError::Kind::bind:
            return {Kind::prepare, error.message()};
        case SQLiteError::Kind::step:
            break;
    }
    return {Kind::step, error.message()};
}

SQLiteClipboardSearchIndexFile::WideCache::WideCache(SQLiteDatabase& db) : db_(db) {
    db_.execute("PRAGMA cache_size = -65536;");
}

SQLiteClipboardSearchIndexFile::WideCache::~WideCache() {
    try {
        db_.execute("PRAGMA cache_size = -2000;");
    } catch (const SQLiteError&) {
    }
}

SQLiteClipboardSearchIndexFile::SQLiteClipboardSearchIndexFile(std::filesystem::path databasePath,
                                                               std::shared_ptr<const Clock> clock,
                                                               std::function<void()> forgetCaches)
    : databasePath_(std::move(databasePath)),
      clock_(std::move(clock)),
      forgetCaches_(std::move(forgetCaches)) {
    if (databasePath_.has_parent_path()) std::filesystem::create_directories(databasePath_.parent_path());
    queue_.sync([this] { openConnection(); });
    if (needsReindex_) reindexInBackground();
}

SQLiteClipboardSearchIndexFile::~SQLiteClipboardSearchIndexFile() {
    readQueue_.sync([this] { readDb_.reset(); });
    queue_.sync([this] {
        if (db_) sqlite3_wal_hook(db_->handle(), nullptr, nullptr);
    });
    checkpointQueue_.sync([this] { checkpointDb_.reset(); });
    // The writer closes last: it folds the log back into the file and deletes it, so a stopped program
    // leaves one file.
    queue_.sync([this] {
        if (db_) keepLogOnClose(*db_, false);
        db_.reset();
    });
}
void SQLiteClipboardSearchIndexFile::configure(SQLiteDatabase& db) {
    // Another connection may hold the write lock for a moment (a reader checkpointing the log); wait for it
    // as the history store does instead of failing the write.
    sqlite3_busy_timeout(db.handle(), busyTimeoutMilliseconds);
    keepLogOnClose(db);
    db.execute("PRAGMA journal_mode = WAL;");
    // A rebuild writes the whole index into the log; once copied back, the log shrinks to this size again
    // instead of keeping gigabytes on disk beside the file.
    db.execute("PRAGMA journal_size_limit = " + std::to_string(kLogSizeLimitBytes) + ";");
    db.execute("PRAGMA synchronous = NORMAL;");
    db.execute("PRAGMA foreign_keys = ON;");
    // No memory map here: pages the writes, fills and reconciliations read through a map stay resident in
    // this process for as long as it runs, while the page cache gives them back. Searches map the file.
    db.execute("PRAGMA mmap_size = 0;");
    ClipboardSearchTokenizers::registerWith(db.handle());
    ClipboardSearchIndexSchema::create(db);
    automergeOff_ = false;
    // The log is copied back into the file on the checkpoint queue, beside the writes instead of inside one.
    sqlite3_wal_hook(db.handle(), &SQLiteClipboardSearchIndexFile::walCommitted, this);
    // Documents without ranks: a file of the earlier layout (its tables were just dropped), or one whose
    // reindexing was cut short; or search tables made from texts of an earlier form. The search tables are
    // filled again from the documents.
    auto state =
        db.prepare("SELECT EXISTS (SELECT 1 FROM documents), NOT EXISTS (SELECT 1 FROM document_ranks);");
    const bool documents = state.step() && state.columnInt64(0) != 0;
    const bool currentTexts = ClipboardSearchIndexSchema::holdsCurrentTexts(db);
    needsReindex_ = documents && (state.columnInt64(1) != 0 || !currentTexts);
    if (!documents && !currentTexts) ClipboardSearchIndexSchema::markCurrentTexts(db);
}

int SQLiteClipboardSearchIndexFile::walCommitted(void* context, sqlite3*, const char*, int frames) {
    auto* file = static_cast<SQLiteClipboardSearchIndexFile*>(context);
    if (frames >= kCheckpointFrames && !file->checkpointScheduled_.exchange(true)) {
        file->checkpointQueue_.async([file] { file->checkpoint(); });
    }
    return SQLITE_OK;
}

void SQLiteClipboardSearchIndexFile::checkpoint() {
    checkpointScheduled_ = false;
    try {
        if (!checkpointDb_ || checkpointGeneration_ != fileGeneration_) {
            checkpointDb_.reset();
            const std::uint64_t generation = fileGeneration_;
            checkpointDb_ = std::make_unique<SQLiteDatabase>(databasePath_, SQLITE_OPEN_READWRITE);
            keepLogOnClose(*checkpointDb_);
            // A connection that has read nothing has not opened the log yet, and its checkpoints do nothing.
            checkpointDb_->execute("SELECT COUNT(*) FROM sqlite_schema;");
            checkpointGeneration_ = generation;
        }
        // Passive: copies what no reader still needs and never waits for the writer.
        const int result = sqlite3_wal_checkpoint_v2(checkpointDb_->handle(), nullptr,
                                                     SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        if (result != SQLITE_OK && result != SQLITE_BUSY) {
            Logger::error("Failed to checkpoint clipboard search index: " +
                              std::string(sqlite3_errmsg(checkpointDb_->handle())),
                          "SQLiteSearch");
        }
    } catch (const std::exception& error) {
        Logger::error("Failed to checkpoint clipboard search index: " + std::string(error.what()),
                      "SQLiteSearch");
    }
}

void SQLiteClipboardSearchIndexFile::scheduleTidy() {
    if (std::exchange(tidyScheduled_, true)) return;
    queue_.async([this] { tidy(); });
}

void SQLiteClipboardSearchIndexFile::tidy() {
    tidyScheduled_ = false;
    if (!db_ || reindexing_) return;
    try {
        // Set with the first tidying, not at open: opening reads no full-text table.
        if (!automergeOff_) {
            ClipboardSearchIndexSchema::setAutomerge(*db_, 0);
            automergeOff_ = true;
        }
        for (const char* table : ClipboardSearchIndexSchema::kSearchTables) {
            const auto before = sqlite3_total_changes64(db_->handle());
            db_->execute(std::string("INSERT INTO ") + table + " (" + table + ", rank) VALUES ('merge', " +
                         std::to_string(kMergePages) + ");");
            // FTS5 changes fewer than two rows when no level has enough segments to merge.
            if (sqlite3_total_changes64(db_->handle()) - before >= 2) {
                scheduleTidy();
                return;
            }
        }
    } catch (const SQLiteError& error) {
        Logger::error("Failed to merge clipboard search index segments: " + error.message(), "SQLiteSearch");
        if (error.isCorruption()) recoverFromCorruption(error);
    }
}

void SQLiteClipboardSearchIndexFile::reindexInBackground() {
    reindexing_ = true;
    Logger::info("Clipboard search index is in an earlier layout; reindexing it in the background",
                 "SQLiteSearch");
    queue_.async([this] {
        try {
            if (db_) {
                const WideCache wideCache(*db_);
                SQLiteTransaction::run(*db_, [&] { ClipboardSearchIndexWriter::reindexAll(*db_); });
            }
            Logger::info("Clipboard search index reindexed", "SQLiteSearch");
        } catch (const std::exception& error) {
            Logger::error("Failed to reindex clipboard search index: " + std::string(error.what()),
                          "SQLiteSearch");
        }
        needsReindex_ = false;
        reindexing_ = false;
    });
}

void SQLiteClipboardSearchIndexFile::openConnection() {
    try {
        auto db = std::make_unique<SQLiteDatabase>(databasePath_);
        configure(*db);
        db_ = std::move(db);
        return;
    } catch (const SQLiteError& error) {
        if (!error.isCorruption() || !recoverFromCorruption(error)) throw storeError(error);
    }
}

bool SQLiteClipboardSearchIndexFile::recoverFromCorruption(const SQLiteError& error) {
    // Searches meanwhile fall back instead of reading a file that is being moved or one still being made.
    recovering_ = true;
    db_.reset();
    // Every connection to the damaged file closes before it moves: the last one to close deletes the log
    // and its index by name, which would by then be the new file's.
    readQueue_.sync([this] { readDb_.reset(); });
    checkpointQueue_.sync([this] { checkpointDb_.reset(); });
    forgetCaches_();
    std::filesystem::path aside;
    try {
        aside = moveDamagedFilesAside();
        auto db = std::make_unique<SQLiteDatabase>(databasePath_);
        configure(*db);
        db_ = std::move(db);
    } catch (const std::exception& failure) {
        Logger::error("Failed to replace damaged clipboard search index: " + std::string(failure.what()),
                      "SQLiteSearch");
    }
    // Only now: a read connection opened for the new generation finds the whole schema in place.
    ++fileGeneration_;
    recovering_ = false;
    if (!db_) return false;
    Logger::error("Failed to use clipboard search index (" + error.message() + "): moved it to " +
                      aside.string() + " and created an empty index",
                  "SQLiteSearch");
    // Damage again right after a refill came in with the refill: refilling once more would only repeat it.
    const bool cameBackWithRefill = onRecoveredFile_ && writesSinceRecovery_ < kWritesBeforeAnotherRefill;
    onRecoveredFile_ = true;
    writesSinceRecovery_ = 0;
    if (cameBackWithRefill) {
        Logger::error(
            "Clipboard search index was damaged again soon after its refill; it is not refilled again "
            "and holds only new entries",
            "SQLiteSearch");
        return true;
    }
    if (recoveryHandler_) {
        recoveryHandler_();
    } else {
        recoveryPending_ = true;
    }
    return true;
}

std::filesystem::path SQLiteClipboardSearchIndexFile::moveDamagedFilesAside() {
    namespace fs = std::filesystem;
    const std::string base = databasePath_.string() + ".corrupt-" + utcStamp(clock_->now());
    fs::path aside = base;
    for (int attempt = 1; fs::exists(aside) || fs::exists(aside.string() + "-wal"); ++attempt) {
        aside = base + "-" + std::to_string(attempt);
    }
    // The write-ahead log and its index belong to the damaged file; a fresh file must not pick them up.
    for (const char* suffix : {"-wal", "-shm"}) {
        const fs::path companion = databasePath_.string() + suffix;
        if (fs::exists(companion)) fs::rename(companion, aside.string() + suffix);
    }
    if (fs::exists(databasePath_)) fs::rename(databasePath_, aside);
    return aside;
}

void SQLiteClipboardSearchIndexFile::openReadConnection() {
    const std::uint64_t generation = fileGeneration_;
    // Never creates the file: that is the write connection's, with its schema. Used on the read queue alone,
    // so it takes no lock of its own around every call (a search makes tens of thousands).
    auto db = std::make_unique<SQLiteDatabase>(databasePath_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
    keepLogOnClose(*db);
    // A search waits out a moment's lock (a log being recovered, a checkpoint) instead of failing.
    sqlite3_busy_timeout(db->handle(), busyTimeoutMilliseconds);
    ClipboardSearchTokenizers::registerWith(db->handle());
    db->execute("PRAGMA query_only = 1;");
    // Searches read many rows of a large file; mapping it saves a copy of every page read.
    db->execute("PRAGMA mmap_size = 2147418112;");
    // SQLite maps at most that much; the pages of a larger file are read into the page cache, which must hold
    // a search's term lists and rank tables or every search reads them again.
    db->execute("PRAGMA cache_size = -" + std::to_string(kReadCacheKilobytes) + ";");
    readDb_ = std::move(db);
    readGeneration_ = generation;
}

void SQLiteClipboardSearchIndexFile::throwUnlessReadable() const {
    // The caller falls back to the history's own search meanwhile.
    if (reindexing_ || beingFilled_) throw ClipboardSearchIndexBuildingError();
    if (recovering_) {
        throw SQLiteClipboardSearchIndexStoreError(SQLiteClipboardSearchIndexStoreError::Kind::step,
                                                   "clipboard search index is being replaced");
    }
}

void SQLiteClipboardSearchIndexFile::readFailed(const SQLiteError& error) {
    if (!error.isCorruption()) return;
    readDb_.reset();
    // The write queue owns the file; it sets it aside unless that already happened. Queued, not waited for:
    // the write queue may itself be waiting for this read.
    queue_.async([this, error, generation = readGeneration_] {
        if (db_ && generation == fileGeneration_) recoverFromCorruption(error);
    });
}

void SQLiteClipboardSearchIndexFile::eraseRemovedData() {
    write([&](SQLiteDatabase& db) {
        // On the write queue, so no merge runs beside it. A checkpoint running meanwhile would make the log's
        // truncation fail with "database is locked", and a search's snapshot would keep the log's frames:
        // both wait until the erase is done, and the next search opens its connection anew.
        checkpointQueue_.sync([&] {
            readQueue_.sync([&] {
                readDb_.reset();
                db.rewriteWithoutRemovedData();
            });
        });
    });
}

void SQLiteClipboardSearchIndexFile::setRecoveryHandler(std::function<void()> handler) {
    // Unhooking waits: its caller is going away, and a report must not reach it afterwards.
    if (!handler) {
        queue_.sync([this] { recoveryHandler_ = nullptr; });
        return;
    }
    // Hooking is queued, not waited for: at start the queue may be reindexing the whole file.
    queue_.async([this, handler = std::move(handler)]() mutable {
        recoveryHandler_ = std::move(handler);
        if (std::exchange(recoveryPending_, false)) recoveryHandler_();
    });
}

}  // namespace quorvane
