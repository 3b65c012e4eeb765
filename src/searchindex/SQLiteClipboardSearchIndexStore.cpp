#include "searchindex/SQLiteClipboardSearchIndexStore.h"

#include <locale.h>
#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <utility>

#include "base/Logger.h"
#include "base/Utf8.h"
#include "model/SearchTextNormalizer.h"
#include "searchindex/ClipboardSearchFilterState.h"
#include "searchindex/ClipboardSearchIndexReader.h"
#include "searchindex/ClipboardSearchIndexWriter.h"
#include "searchindex/ClipboardSearchTokenizers.h"
#include "searchindex/SearchStrings.h"
#include "sqlite/SQLiteError.h"
#include "sqlite/SQLiteTransaction.h"

namespace quorvane {
namespace {

// Log frames (pages) after which a commit asks for a checkpoint; SQLite's own default.
constexpr int kCheckpointFrames = 1000;
// Pages merged per step of tidy(): about a millisecond of work, so a write waits no longer behind one.
constexpr int kMergePages = 16;

constexpr const char* kSetMeta =
    "INSERT INTO meta (key, value)\nVALUES (?, ?)\nON CONFLICT(key) DO UPDATE SET value = excluded.value;";
constexpr const char* kSelectMeta = "SELECT value FROM meta WHERE key = ? LIMIT 1;";
constexpr const char* kLastRebuildAtKey = "last_rebuild_at";

SQLiteClipboardSearchIndexStoreError translate(const SQLiteError& error) {
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

// Raises the connection's page cache for one bulk write and restores it on every path.
class WideCache {
public:
    explicit WideCache(SQLiteDatabase& db) : db_(db) { db_.execute("PRAGMA cache_size = -65536;"); }
    ~WideCache() {
        try {
            db_.execute("PRAGMA cache_size = -2000;");
        } catch (const SQLiteError&) {
        }
    }
    WideCache(const WideCache&) = delete;
    WideCache& operator=(const WideCache&) = delete;

private:
    SQLiteDatabase& db_;
};

void setMeta(SQLiteDatabase& db, const std::string& key, const std::string& value) {
    auto statement = db.prepare(kSetMeta);
    statement.bindText(1, key);
    statement.bindText(2, value);
    statement.stepDone();
}

std::optional<Date> metaDate(SQLiteDatabase& db, const std::string& key) {
    auto statement = db.prepare(kSelectMeta);
    statement.bindText(1, key);
    if (!statement.step()) return std::nullopt;
    const auto text = statement.columnText(0);
    if (!text) return std::nullopt;
    const auto seconds = SQLiteClipboardSearchIndexStore::parseMetaDate(*text);
    if (!seconds) return std::nullopt;
    return Date(*seconds);
}

std::int64_t count(SQLiteDatabase& db, const char* sql) {
    auto statement = db.prepare(sql);
    if (!statement.step()) throw SQLiteError(SQLiteError::Kind::step, 0, "count returned no row");
    return statement.columnInt64(0);
}

ClipboardSearchIndexStats readStats(SQLiteDatabase& db) {
    ClipboardSearchIndexStats stats;
    stats.documentCount = count(db, "SELECT COUNT(*) FROM documents;");
    // One gram per distinct run of two or three characters per document, as the vocabularies count them.
    stats.gramCount = count(db,
                            "SELECT (SELECT COALESCE(SUM(doc), 0) FROM search_trigram_terms) +\n"
                            "       (SELECT COALESCE(SUM(doc), 0) FROM search_bigram_terms);");
    stats.lastRebuildAt = metaDate(db, kLastRebuildAtKey);
    return stats;
}

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

// Writes a refilled index takes before new damage is no longer put down to the refill.
constexpr std::uint64_t kWritesBeforeAnotherRefill = 50;

// Documents a refill may leave out before it gives up: beyond these, the failure is not about them.
constexpr std::size_t kMostLeftOut = 100;

// A failure that this document's values caused (a refused or oversized value), as opposed to one of the
// file, the disk or the memory, which every other write would meet as well.
bool isDocumentFault(const SQLiteError& error) {
    if (error.kind() != SQLiteError::Kind::step && error.kind() != SQLiteError::Kind::bind) return false;
    switch (error.resultCode() & 0xff) {
        case SQLITE_CONSTRAINT:
        case SQLITE_TOOBIG:
        case SQLITE_MISMATCH:
        case SQLITE_RANGE:
        case SQLITE_ERROR:
            return true;
        default:
            return false;
    }
}

// Names the entry, never its text.
void warnLeftOut(const std::string& itemID, const SQLiteError& error) {
    Logger::warning("Left entry " + itemID + " out of the clipboard search index: " + error.message(),
                    "SQLiteSearch");
}

std::string describe(const std::optional<std::string>& value) {
    return value ? *value : "nil";
}

// Seconds of a date bound, truncated toward zero and held inside the 64-bit range.
std::int64_t boundSeconds(Date date) {
    const double seconds = std::trunc(date.timeIntervalSince1970);
    if (std::isnan(seconds)) return 0;
    if (seconds >= 9.2233720368547758e18) return std::numeric_limits<std::int64_t>::max();
    if (seconds <= -9.2233720368547758e18) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(seconds);
}

}  // namespace

SQLiteClipboardSearchIndexStore::SQLiteClipboardSearchIndexStore(
    std::filesystem::path databasePath, std::shared_ptr<UserDefaults> userDefaults,
    std::shared_ptr<const Clock> clock,
    ClipboardSearchVocabulary::BundleIdentifierResolver resolveBundleIdentifiers)
    : databasePath_(std::move(databasePath)),
      userDefaults_(std::move(userDefaults)),
      clock_(std::move(clock)),
      resolveBundleIdentifiers_(resolveBundleIdentifiers ? std::move(resolveBundleIdentifiers)
                                                         : &ClipboardSearchVocabulary::resolveByIdentifier) {
    if (databasePath_.has_parent_path()) std::filesystem::create_directories(databasePath_.parent_path());
    queue_.sync([this] { openConnection(); });
    if (needsReindex_) reindexInBackground();
}

SQLiteClipboardSearchIndexStore::~SQLiteClipboardSearchIndexStore() {
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

void SQLiteClipboardSearchIndexStore::configure(SQLiteDatabase& db) {
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
    ClipboardSearchIndexWriter::createSchema(db);
    automergeOff_ = false;
    // The log is copied back into the file on the checkpoint queue, beside the writes instead of inside one.
    sqlite3_wal_hook(db.handle(), &SQLiteClipboardSearchIndexStore::walCommitted, this);
    // Documents without ranks: a file of the earlier layout (its tables were just dropped), or one whose
    // reindexing was cut short; or search tables made from texts of an earlier form. The search tables are
    // filled again from the documents.
    auto state =
        db.prepare("SELECT EXISTS (SELECT 1 FROM documents), NOT EXISTS (SELECT 1 FROM document_ranks);");
    const bool documents = state.step() && state.columnInt64(0) != 0;
    const bool currentTexts = ClipboardSearchIndexWriter::holdsCurrentTexts(db);
    needsReindex_ = documents && (state.columnInt64(1) != 0 || !currentTexts);
    if (!documents && !currentTexts) ClipboardSearchIndexWriter::markCurrentTexts(db);
}

int SQLiteClipboardSearchIndexStore::walCommitted(void* context, sqlite3*, const char*, int frames) {
    auto* store = static_cast<SQLiteClipboardSearchIndexStore*>(context);
    if (frames >= kCheckpointFrames && !store->checkpointScheduled_.exchange(true)) {
        store->checkpointQueue_.async([store] { store->checkpoint(); });
    }
    return SQLITE_OK;
}

void SQLiteClipboardSearchIndexStore::checkpoint() {
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

void SQLiteClipboardSearchIndexStore::scheduleTidy() {
    if (std::exchange(tidyScheduled_, true)) return;
    queue_.async([this] { tidy(); });
}

void SQLiteClipboardSearchIndexStore::tidy() {
    tidyScheduled_ = false;
    if (!db_ || reindexing_) return;
    try {
        // Set with the first tidying, not at open: opening reads no full-text table.
        if (!automergeOff_) {
            ClipboardSearchIndexWriter::setAutomerge(*db_, 0);
            automergeOff_ = true;
        }
        for (const char* table : ClipboardSearchIndexWriter::kSearchTables) {
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

void SQLiteClipboardSearchIndexStore::reindexInBackground() {
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

void SQLiteClipboardSearchIndexStore::openConnection() {
    try {
        auto db = std::make_unique<SQLiteDatabase>(databasePath_);
        configure(*db);
        db_ = std::move(db);
        return;
    } catch (const SQLiteError& error) {
        if (!error.isCorruption() || !recoverFromCorruption(error)) throw translate(error);
    }
}

bool SQLiteClipboardSearchIndexStore::recoverFromCorruption(const SQLiteError& error) {
    // Searches meanwhile fall back instead of reading a file that is being moved or one still being made.
    recovering_ = true;
    db_.reset();
    // Every connection to the damaged file closes before it moves: the last one to close deletes the log
    // and its index by name, which would by then be the new file's.
    readQueue_.sync([this] { readDb_.reset(); });
    checkpointQueue_.sync([this] { checkpointDb_.reset(); });
    forgetAppIdentifiers();
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

std::filesystem::path SQLiteClipboardSearchIndexStore::moveDamagedFilesAside() {
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

template <class F>
auto SQLiteClipboardSearchIndexStore::perform(F&& body) -> decltype(body(std::declval<SQLiteDatabase&>())) {
    return queue_.syncResult([&] {
        if (!db_) {
            throw SQLiteClipboardSearchIndexStoreError(
                SQLiteClipboardSearchIndexStoreError::Kind::openDatabase, "Unknown SQLite error");
        }
        try {
            return body(*db_);
        } catch (const SQLiteError& error) {
            if (error.isCorruption()) recoverFromCorruption(error);
            throw translate(error);
        }
    });
}

void SQLiteClipboardSearchIndexStore::openReadConnection() {
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

template <class F>
auto SQLiteClipboardSearchIndexStore::performRead(F&& body)
    -> decltype(body(std::declval<SQLiteDatabase&>())) {
    return readQueue_.syncResult([&] {
        // The caller falls back to the history's own search meanwhile.
        if (reindexing_ || beingFilled_) throw ClipboardSearchIndexBuildingError();
        if (recovering_) {
            throw SQLiteClipboardSearchIndexStoreError(SQLiteClipboardSearchIndexStoreError::Kind::step,
                                                       "clipboard search index is being replaced");
        }
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
            if (error.isCorruption()) {
                readDb_.reset();
                // The write queue owns the file; it sets it aside unless that already happened. Queued, not
                // waited for: the write queue may itself be waiting for this read.
                queue_.async([this, error, generation = readGeneration_] {
                    if (db_ && generation == fileGeneration_) recoverFromCorruption(error);
                });
            }
            throw translate(error);
        }
    });
}

void SQLiteClipboardSearchIndexStore::forgetAppIdentifiers() {
    std::lock_guard lock(appIdentifiersMutex_);
    appIdentifiers_.reset();
}

ClipboardSearchIndexStats SQLiteClipboardSearchIndexStore::rebuild(
    const std::vector<ClipboardSearchIndexDocument>& documents) {
    return rebuildInBatches([&](const DocumentBatch& add) { add(documents); });
}

ClipboardSearchIndexStats SQLiteClipboardSearchIndexStore::rebuildInBatches(
    const std::function<void(const DocumentBatch&)>& fill) {
    return perform([&](SQLiteDatabase& db) {
        // A large page cache for the length of the rebuild keeps the full-text merges in memory; the usual
        // cache returns afterwards so the memory is given back.
        const WideCache wideCache(db);
        std::size_t leftOut = 0;
        const auto leaveOut = [&](const ClipboardSearchIndexDocument& document, const SQLiteError& error) {
            // Past a handful, the documents are not what is wrong.
            if (!isDocumentFault(error) || ++leftOut > kMostLeftOut) return false;
            warnLeftOut(document.id, error);
            return true;
        };
        SQLiteTransaction::run(db, [&] {
            db.execute("DELETE FROM meta WHERE key = 'last_rebuild_at';");
            ClipboardSearchIndexWriter(db).replaceAllInBatches(fill, leaveOut);
            setMeta(db, kLastRebuildAtKey, formatMetaDate(clock_->now().timeIntervalSince1970));
        });
        forgetAppIdentifiers();
        return readStats(db);
    });
}

void SQLiteClipboardSearchIndexStore::eraseRemovedData() {
    perform([&](SQLiteDatabase& db) {
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

void SQLiteClipboardSearchIndexStore::upsert(const ClipboardSearchIndexDocument& document) {
    perform([&](SQLiteDatabase& db) {
        try {
            SQLiteTransaction::run(db, [&] {
                const auto replaced = ClipboardSearchIndexWriter(db).upsert(document);
                noteAppIdentifier(document.bundleIdentifier, replaced ? *replaced : std::nullopt);
            });
        } catch (const SQLiteError& error) {
            if (!isDocumentFault(error)) throw;
            // Rolled back: the document is out, and so is its earlier version, which no longer holds.
            SQLiteTransaction::run(db, [&] { ClipboardSearchIndexWriter(db).remove(document.id); });
            forgetAppIdentifiers();
            warnLeftOut(document.id, error);
        }
        ++writesSinceRecovery_;
        scheduleTidy();
    });
}

void SQLiteClipboardSearchIndexStore::deleteDocuments(const std::vector<std::string>& itemIDs) {
    perform([&](SQLiteDatabase& db) {
        SQLiteTransaction::run(db, [&] {
            ClipboardSearchIndexWriter writer(db);
            for (const auto& itemID : itemIDs) writer.remove(itemID);
        });
        ++writesSinceRecovery_;
        scheduleTidy();
        forgetAppIdentifiers();
    });
}

void SQLiteClipboardSearchIndexStore::updateAccess(const std::string& itemID, Date sortAt,
                                                   std::optional<Date> lastAccessedAt,
                                                   std::int64_t accessCount) {
    perform([&](SQLiteDatabase& db) {
        SQLiteTransaction::run(db, [&] {
            ClipboardSearchIndexWriter(db).updateAccess(
                itemID, sortAt.timeIntervalSince1970,
                lastAccessedAt ? std::optional(lastAccessedAt->timeIntervalSince1970) : std::nullopt,
                accessCount);
        });
        scheduleTidy();
    });
}

ClipboardSearchIndexStats SQLiteClipboardSearchIndexStore::stats() {
    return perform([](SQLiteDatabase& db) { return readStats(db); });
}

bool SQLiteClipboardSearchIndexStore::isEmpty() {
    // Only a file with documents is reindexed; asking the queue would wait for the whole reindexing.
    if (reindexing_) return false;
    return perform(
        [](SQLiteDatabase& db) { return count(db, "SELECT EXISTS (SELECT 1 FROM documents);") == 0; });
}

std::vector<std::string> SQLiteClipboardSearchIndexStore::documentItemIDs() {
    return perform([](SQLiteDatabase& db) {
        std::vector<std::string> ids;
        auto statement = db.prepare("SELECT item_id FROM documents;");
        while (statement.step()) {
            if (auto id = statement.columnText(0)) ids.push_back(std::move(*id));
        }
        return ids;
    });
}

void SQLiteClipboardSearchIndexStore::setRecoveryHandler(std::function<void()> handler) {
    queue_.sync([&] {
        recoveryHandler_ = std::move(handler);
        if (recoveryHandler_ && std::exchange(recoveryPending_, false)) recoveryHandler_();
    });
}

ClipboardSearchPage SQLiteClipboardSearchIndexStore::page(std::vector<ClipboardHistoryIndexSnapshot> rows,
                                                          std::int64_t offset, std::int64_t limit) {
    const auto start = static_cast<std::uint64_t>(std::max<std::int64_t>(offset, 0));
    if (limit < 1 || start >= rows.size()) return {};
    const std::uint64_t available = rows.size() - start;
    const auto count = std::min<std::uint64_t>(static_cast<std::uint64_t>(limit), available);
    ClipboardSearchPage result;
    result.items.assign(std::make_move_iterator(rows.begin() + static_cast<std::ptrdiff_t>(start)),
                        std::make_move_iterator(rows.begin() + static_cast<std::ptrdiff_t>(start + count)));
    result.hasMore = count < available;
    return result;
}

ClipboardSearchPage SQLiteClipboardSearchIndexStore::fetchRecent(std::int64_t limit, std::int64_t offset) {
    if (limit < 1) return {};
    return performRead(
        [&](SQLiteDatabase& db) { return ClipboardSearchIndexReader(db).recent(limit, offset); });
}

ClipboardSearchPage SQLiteClipboardSearchIndexStore::search(const ClipboardSearchQueryText& typed,
                                                            const std::vector<ClipboardSearchFilter>& filters,
                                                            std::int64_t limit, std::int64_t offset) {
    if (limit < 1) return {};
    offset = std::max<std::int64_t>(offset, 0);
    // Taken as the documents' texts were; a NUL would also end a full-text query in the middle of a string.
    const ClipboardSearchQueryText query = typed.withNulAsBlank();
    return performRead([&](SQLiteDatabase& db) {
        ClipboardSearchIndexReader reader(db);
        return filters.empty() ? reader.textOnly(query, limit, offset)
                               : filteredSearch(db, query, filters, limit, offset);
    });
}

ClipboardSearchPage SQLiteClipboardSearchIndexStore::filteredSearch(
    SQLiteDatabase& db, const ClipboardSearchQueryText& query,
    const std::vector<ClipboardSearchFilter>& filters, std::int64_t limit, std::int64_t offset) {
    const auto state = ClipboardSearchFilterState::make(filters, clock_->now());
    ClipboardSearchIndexReader::Filters resolved;
    auto& conditions = resolved.conditions;
    if (state.contentType) conditions.contentType = std::string(rawValue(*state.contentType));
    conditions.classification = state.classification;
    if (state.appValue) conditions.bundleIdentifiers = appBundleIdentifiers(db, state.appValue);
    if (state.lowerBound) conditions.lowerBound = boundSeconds(*state.lowerBound);
    if (state.upperBound) conditions.upperBound = boundSeconds(*state.upperBound);
    const std::string contentType = state.contentType ? std::string(rawValue(*state.contentType)) : "nil";
    Logger::debug(
        "SQLiteStore.searchWithFilters: contentType=" + contentType + " classification=" +
            describe(state.classification) + " app=" + describe(state.appValue) + " appMatches=" +
            (conditions.bundleIdentifiers ? std::to_string(conditions.bundleIdentifiers->size()) : "nil") +
            " textQuery='" + query.normalizedText + "'",
        "SQLiteSearch");
    ClipboardSearchIndexReader reader(db);
    if (query.normalizedText.empty()) {
        Logger::debug("SQLiteStore: pure filter query (no text)", "SQLiteSearch");
        std::string sql;
        auto result = reader.filtersOnly(resolved, limit, offset, &sql);
        Logger::debug("SQLiteStore.fetchWithFiltersOnly SQL: " + sql, "SQLiteSearch");
        Logger::debug("SQLiteStore.fetchWithFiltersOnly bindings: contentType=" + contentType +
                          " classification=" + describe(state.classification),
                      "SQLiteSearch");
        Logger::debug("SQLiteStore.fetchWithFiltersOnly result: " +
                          std::to_string(result.items.size() + (result.hasMore ? 1 : 0)) + " documents",
                      "SQLiteSearch");
        return result;
    }
    Logger::debug("SQLiteStore: text + filter query", "SQLiteSearch");
    if (state.classification && characterCountUpTo(query.compactText, 2) == 1) {
        resolved.namesUserClassification = namesUserClassification(*state.classification);
    }
    return reader.textWithFilters(query, resolved, limit, offset);
}

std::optional<std::vector<std::string>> SQLiteClipboardSearchIndexStore::appBundleIdentifiers(
    SQLiteDatabase& db, const std::optional<std::string>& appValue) {
    if (!appValue || search_strings::trimmed(*appValue).empty()) return std::nullopt;
    std::optional<std::vector<std::string>> cached;
    {
        std::lock_guard lock(appIdentifiersMutex_);
        cached = appIdentifiers_;
    }
    if (!cached) {
        std::vector<std::string> known;
        // Reading every identifier is a scan of a whole index: done once, not per keystroke.
        auto statement = db.prepare(
            "SELECT DISTINCT bundle_identifier\nFROM documents\n"
            "WHERE bundle_identifier IS NOT NULL AND bundle_identifier <> ''\n"
            "ORDER BY bundle_identifier COLLATE NOCASE ASC;");
        while (statement.step()) {
            if (auto identifier = statement.columnText(0)) known.push_back(std::move(*identifier));
        }
        std::lock_guard lock(appIdentifiersMutex_);
        appIdentifiers_ = known;
        cached = std::move(known);
    }
    return resolveBundleIdentifiers_(*appValue, *cached);
}

void SQLiteClipboardSearchIndexStore::noteAppIdentifier(const std::optional<std::string>& added,
                                                        const std::optional<std::string>& replaced) {
    std::lock_guard lock(appIdentifiersMutex_);
    if (!appIdentifiers_) return;
    const auto& list = *appIdentifiers_;
    const bool known = !added || added->empty() || std::find(list.begin(), list.end(), *added) != list.end();
    if (!known || (replaced && replaced != added)) appIdentifiers_.reset();
}

bool SQLiteClipboardSearchIndexStore::namesUserClassification(const std::string& value) const {
    const std::string normalized = SearchTextNormalizer::normalize(value);
    if (normalized.empty() || ClipboardSearchVocabulary::namesBuiltInClassification(normalized)) return false;
    return ClipboardSearchVocabulary::namesEnabledUserClassification(normalized, *userDefaults_);
}

void SQLiteClipboardSearchIndexStore::syncVoid(const std::function<void()>& body) {
    queue_.sync(body);
}

std::set<std::string> SQLiteClipboardSearchIndexStore::makeGrams(std::string_view text,
                                                                 const std::vector<int>& sizes) {
    std::set<std::string> grams;
    if (text.empty() || sizes.empty()) return grams;
    const auto characters = splitCharacters(text);
    for (const int size : sizes) {
        if (size < 1 || characters.size() < static_cast<std::size_t>(size)) continue;
        for (std::size_t start = 0; start + size <= characters.size(); ++start) {
            // Characters are consecutive views into `text`, so a gram is one substring.
            const char* first = characters[start].data();
            const auto& last = characters[start + size - 1];
            grams.emplace(first, static_cast<std::size_t>(last.data() + last.size() - first));
        }
    }
    return grams;
}

std::string SQLiteClipboardSearchIndexStore::formatMetaDate(double secondsSince1970) {
    char buffer[512];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, secondsSince1970, std::chars_format::fixed);
    std::string text = error == std::errc() ? std::string(buffer, end) : std::to_string(secondsSince1970);
    if (text.find_first_of(".ni") == std::string::npos) text += ".0";
    return text;
}

std::optional<double> SQLiteClipboardSearchIndexStore::parseMetaDate(const std::string& text) {
    if (text.empty()) return std::nullopt;
    switch (text.front()) {
        case ' ':
        case '\t':
        case '\n':
        case '\v':
        case '\f':
        case '\r':
        case '\0':
            return std::nullopt;
        default:
            break;
    }
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    char* end = nullptr;
    const double value = strtod_l(text.c_str(), &end, cLocale);
    if (end != text.c_str() + text.size()) return std::nullopt;
    return value;
}

}  // namespace quorvane
