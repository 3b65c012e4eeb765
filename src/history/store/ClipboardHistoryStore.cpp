#include "history/store/ClipboardHistoryStore.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>

#include "base/Logger.h"
#include "sqlite/SQLiteError.h"
#include "sqlite/SQLiteTransaction.h"

namespace quorvane {

namespace {

constexpr const char* kCreateSchema =
    "CREATE TABLE IF NOT EXISTS ClipboardHistoryIndex ("
    " id TEXT NOT NULL UNIQUE,"
    " preview TEXT NOT NULL,"
    " searchText TEXT NOT NULL,"
    " createdAt REAL NOT NULL,"
    " lastAccessedAt REAL,"
    " accessCount INTEGER NOT NULL DEFAULT 0,"
    " contentType TEXT NOT NULL,"
    " bundleIdentifier TEXT,"
    " classification TEXT);"
    "CREATE TABLE IF NOT EXISTS ClipboardHistoryContent ("
    " id TEXT NOT NULL UNIQUE,"
    " content TEXT NOT NULL,"
    " imageData BLOB,"
    " ocrText TEXT,"
    " richTextRTFData BLOB,"
    " richTextHTMLData BLOB,"
    " duplicateFingerprint TEXT);"
    // The unique constraints index `id`; these are the other declared indexes.
    "CREATE INDEX IF NOT EXISTS ClipboardHistoryIndex_createdAt ON ClipboardHistoryIndex(createdAt);"
    "CREATE INDEX IF NOT EXISTS ClipboardHistoryContent_duplicateFingerprint"
    " ON ClipboardHistoryContent(duplicateFingerprint);";

// Indexes a file of the same schema version may still lack, made at every open: older builds keep these up to
// date too, so the version stays and the file stays readable by them. The first keeps a copy's look for
// copies stored without a fingerprint from reading every text; the second gives the history's pages in
// recency order without reading and sorting every record.
constexpr const char* kCreateLaterIndexes =
    "CREATE INDEX IF NOT EXISTS ClipboardHistoryContent_contentWithoutFingerprint"
    " ON ClipboardHistoryContent(content) WHERE duplicateFingerprint IS NULL;"
    "CREATE INDEX IF NOT EXISTS ClipboardHistoryIndex_recency ON ClipboardHistoryIndex(";

// Log frames (pages) after which a commit asks for a checkpoint: SQLite's own default. Done inside the
// commit, as SQLite would, it costs the main thread tens of milliseconds now and then.
constexpr int kCheckpointFrames = 1000;

constexpr const char* kCountLaterIndexes =
    "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name IN"
    " ('ClipboardHistoryContent_contentWithoutFingerprint', 'ClipboardHistoryIndex_recency')";

std::string refusal(const std::filesystem::path& file, const std::string& reason) {
    return "Refusing history store " + file.string() + ": " + reason;
}

// Creates an absent file with owner-only permissions before SQLite sees it; SQLite gives its -wal and -shm
// files the same permissions.
void createPrivateFileIfMissing(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
}

std::int64_t queryInteger(SQLiteDatabase& db, const char* sql) {
    SQLiteStatement statement = db.prepare(sql);
    return statement.step() ? statement.columnInt64(0) : 0;
}

// Opens a connection, turning the wrappers' error into the store's.
std::unique_ptr<SQLiteDatabase> openConnection(const std::filesystem::path& file, int flags) {
    try {
        auto connection = std::make_unique<SQLiteDatabase>(file, flags);
        sqlite3_busy_timeout(connection->handle(), 5000);
        return connection;
    } catch (const SQLiteError& error) {
        throw HistoryStoreError(HistoryStoreError::Kind::open,
                                "Cannot open history store " + file.string() + ": " + error.what());
    }
}

// Runs SQLite's quick check (every page readable, every b-tree well formed; no index cross-checks) and
// returns its first complaint, or nothing for a sound file.
std::optional<std::string> firstDamage(SQLiteDatabase& db) {
    try {
        SQLiteStatement statement = db.prepare("PRAGMA quick_check(1);");
        if (!statement.step()) return "the integrity check gave no answer";
        std::string answer = statement.columnText(0).value_or("");
        if (answer == "ok") return std::nullopt;
        return answer;
    } catch (const SQLiteError& error) {
        return error.what();
    }
}

}  // namespace

std::filesystem::path ClipboardHistoryStore::runningMarker(const std::filesystem::path& file) {
    return file.string() + ".running";
}

ClipboardHistoryStore::ClipboardHistoryStore(std::filesystem::path file) : file_(std::move(file)) {
    createPrivateFileIfMissing(file_);
    auto connection = openConnection(file_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX);
    // Closing the last connection folds the write-ahead log into the file; a file we refuse must not be
    // written that way. Switched back on once the file is accepted.
    sqlite3_db_config(connection->handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);

    // Look before touching anything: switching the journal mode alone would rewrite a foreign header.
    std::int64_t application = 0;
    std::int64_t version = 0;
    std::int64_t objects = 0;
    try {
        application = queryInteger(*connection, "PRAGMA application_id;");
        version = queryInteger(*connection, "PRAGMA user_version;");
        objects = queryInteger(*connection, "SELECT COUNT(*) FROM sqlite_master;");
    } catch (const SQLiteError& error) {
        throw HistoryStoreError(HistoryStoreError::Kind::foreignFile, refusal(file_, error.what()));
    }
    const bool fresh = application == 0 && version == 0 && objects == 0;
    if (!fresh && application != applicationID) {
        throw HistoryStoreError(HistoryStoreError::Kind::foreignFile,
                                refusal(file_, "the file belongs to another application"));
    }
    if (version > schemaVersion) {
        throw HistoryStoreError(
            HistoryStoreError::Kind::newerVersion,
            refusal(file_, "written by a newer version (schema " + std::to_string(version) +
                               ", this version reads up to " + std::to_string(schemaVersion) + ")"));
    }
    const std::filesystem::path marker = runningMarker(file_);
    std::error_code ignored;
    if (!fresh && std::filesystem::exists(marker, ignored)) {
        if (const auto damage = firstDamage(*connection)) {
            throw HistoryStoreError(
                HistoryStoreError::Kind::damaged,
                refusal(file_,
                        "the file is damaged (" + *damage +
                            "); it was left as it is. To recover what it holds, stop Quorvane and run: "
                            "sqlite3 '" +
                            file_.string() + "' .recover | sqlite3 '" + file_.string() +
                            ".recovered', then move the recovered file into its place"));
        }
    }
    // A file restored or copied with wider modes is narrowed; one that cannot be is not used.
    if (struct stat info{};
        ::stat(file_.c_str(), &info) == 0 && (info.st_mode & 077) != 0 && ::chmod(file_.c_str(), 0600) != 0) {
        throw HistoryStoreError(HistoryStoreError::Kind::open, "Cannot make history store " + file_.string() +
                                                                   " private: " + std::strerror(errno));
    }
    sqlite3_db_config(connection->handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);

    try {
        connection->execute("PRAGMA journal_mode = WAL;");
        // With the write-ahead log this never corrupts the file; a power cut may only lose the last captures.
        connection->execute("PRAGMA synchronous = NORMAL;");
        connection->execute("PRAGMA foreign_keys = OFF;");
        connection->execute("PRAGMA secure_delete = ON;");
        if (fresh || version < schemaVersion) {
            SQLiteTransaction::run(*connection, [&] {
                connection->execute(kCreateSchema);
                connection->execute("PRAGMA application_id = " + std::to_string(applicationID) + ";");
                connection->execute("PRAGMA user_version = " + std::to_string(schemaVersion) + ";");
            });
        }
        // Made once per file; at a million entries that takes seconds, which the log should explain.
        const bool indexesMissing = queryInteger(*connection, kCountLaterIndexes) < 2;
        if (indexesMissing &&
            queryInteger(*connection, "SELECT EXISTS (SELECT 1 FROM ClipboardHistoryIndex)") != 0) {
            Logger::info(
                "Adding lookup indexes to the clipboard history, once: a large history takes a few seconds",
                "ClipboardHistoryStore");
        }
        SQLiteTransaction::run(*connection, [&] {
            connection->execute(std::string(kCreateLaterIndexes) +
                                ClipboardHistoryStoreContext::sortAtExpression + ", createdAt, id);");
        });
    } catch (const SQLiteError& error) {
        throw HistoryStoreError(HistoryStoreError::Kind::open,
                                "Cannot set up history store " + file_.string() + ": " + error.what());
    }
    writer_ = connection->handle();
    sqlite3_wal_hook(writer_, &ClipboardHistoryStore::logCommitted, this);
    mainContext_ = std::make_unique<ClipboardHistoryStoreContext>(std::move(connection));
    // Written once the store is in use, so that only a run that used it and then died leaves it behind.
    const int fd = ::open(marker.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
}

ClipboardHistoryStore::~ClipboardHistoryStore() {
    // The main connection closes last of the store's: closing, it folds the log into the file and deletes it.
    if (writer_) sqlite3_wal_hook(writer_, nullptr, nullptr);
    checkpointQueue_.reset();
    checkpointConnection_.reset();
    // The connection closes first, so a crash between the two leaves the marker and the next start checks.
    mainContext_.reset();
    std::error_code ignored;
    std::filesystem::remove(runningMarker(file_), ignored);
}

int ClipboardHistoryStore::logCommitted(void* context, sqlite3*, const char*, int frames) {
    auto* store = static_cast<ClipboardHistoryStore*>(context);
    if (frames >= kCheckpointFrames && !store->checkpointScheduled_.exchange(true)) {
        store->checkpointQueue_->async([store] { store->checkpoint(); });
    }
    return SQLITE_OK;
}

void ClipboardHistoryStore::checkpoint() {
    checkpointScheduled_ = false;
    try {
        if (!checkpointConnection_) {
            checkpointConnection_ = openConnection(file_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX);
            // A connection that has read nothing has not opened the log yet, and its checkpoints do nothing.
            queryInteger(*checkpointConnection_, "SELECT COUNT(*) FROM sqlite_master;");
        }
        // Passive: copies what no reader still needs and never waits for the writer.
        const int result = sqlite3_wal_checkpoint_v2(checkpointConnection_->handle(), nullptr,
                                                     SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        if (result != SQLITE_OK && result != SQLITE_BUSY) {
            Logger::error("Failed to checkpoint the clipboard history: " +
                              std::string(sqlite3_errmsg(checkpointConnection_->handle())),
                          "ClipboardHistoryStore");
        }
    } catch (const std::exception& error) {
        Logger::error("Failed to checkpoint the clipboard history: " + std::string(error.what()),
                      "ClipboardHistoryStore");
    }
}

std::optional<std::string> ClipboardHistoryStore::findDamage() const {
    const auto connection = openConnection(file_, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX);
    return firstDamage(*connection);
}

std::unique_ptr<ClipboardHistoryStoreContext> ClipboardHistoryStore::makeReadContext() const {
    return std::make_unique<ClipboardHistoryStoreContext>(
        openConnection(file_, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX));
}

}  // namespace quorvane
