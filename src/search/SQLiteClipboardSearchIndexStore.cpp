#include "search/SQLiteClipboardSearchIndexStore.h"

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <locale.h>

#include "core/Logger.h"
#include "core/SQLiteError.h"
#include "core/Utf8.h"

namespace quorvane {
namespace {

// The statement texts define the file format other readers rely on: keep them as they are.
constexpr const char* kCreateDocuments =
    "CREATE TABLE IF NOT EXISTS documents (\n"
    "    doc_id INTEGER PRIMARY KEY AUTOINCREMENT,\n"
    "    item_id TEXT NOT NULL UNIQUE,\n"
    "    preview TEXT NOT NULL,\n"
    "    created_at REAL NOT NULL,\n"
    "    sort_at REAL NOT NULL,\n"
    "    last_accessed_at REAL,\n"
    "    access_count INTEGER NOT NULL DEFAULT 0,\n"
    "    content_type TEXT NOT NULL,\n"
    "    bundle_identifier TEXT,\n"
    "    classification TEXT,\n"
    "    normalized_text TEXT NOT NULL,\n"
    "    compact_text TEXT NOT NULL,\n"
    "    pinyin_spaced TEXT NOT NULL,\n"
    "    pinyin_compact TEXT NOT NULL,\n"
    "    is_truncated INTEGER NOT NULL DEFAULT 0\n"
    ");";
constexpr const char* kCreateTerms =
    "CREATE VIRTUAL TABLE IF NOT EXISTS fts_terms USING fts5(\n"
    "    normalized_text,\n"
    "    pinyin_spaced\n"
    ");";
constexpr const char* kCreateGrams =
    "CREATE TABLE IF NOT EXISTS compact_grams (\n"
    "    gram TEXT NOT NULL,\n"
    "    doc_id INTEGER NOT NULL,\n"
    "    PRIMARY KEY (gram, doc_id)\n"
    ") WITHOUT ROWID;";
constexpr const char* kCreateMeta =
    "CREATE TABLE IF NOT EXISTS meta (\n"
    "    key TEXT PRIMARY KEY,\n"
    "    value TEXT NOT NULL\n"
    ");";
constexpr const char* kCreateIndexes[] = {
    "CREATE INDEX IF NOT EXISTS idx_compact_grams_doc_id\nON compact_grams(doc_id);",
    "CREATE INDEX IF NOT EXISTS idx_documents_created_at_doc_id\nON documents(created_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_sort_at_doc_id\nON documents(sort_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_classification_created_at_doc_id\n"
    "ON documents(classification COLLATE NOCASE, created_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_classification_sort_at_doc_id\n"
    "ON documents(classification COLLATE NOCASE, sort_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_bundle_identifier_created_at_doc_id\n"
    "ON documents(bundle_identifier COLLATE NOCASE, created_at DESC, doc_id DESC);",
    "CREATE INDEX IF NOT EXISTS idx_documents_bundle_identifier_sort_at_doc_id\n"
    "ON documents(bundle_identifier COLLATE NOCASE, sort_at DESC, doc_id DESC);",
};

// Columns that older files lack, in the order they are added.
constexpr std::pair<const char*, const char*> kAddedColumns[] = {
    {"classification", "ALTER TABLE documents ADD COLUMN classification TEXT;"},
    {"sort_at", "ALTER TABLE documents ADD COLUMN sort_at REAL;"},
    {"last_accessed_at", "ALTER TABLE documents ADD COLUMN last_accessed_at REAL;"},
    {"access_count", "ALTER TABLE documents ADD COLUMN access_count INTEGER DEFAULT 0;"},
};

constexpr const char* kInsertDocument =
    "INSERT INTO documents (\n"
    "    item_id,\n"
    "    preview,\n"
    "    created_at,\n"
    "    sort_at,\n"
    "    last_accessed_at,\n"
    "    access_count,\n"
    "    content_type,\n"
    "    bundle_identifier,\n"
    "    classification,\n"
    "    normalized_text,\n"
    "    compact_text,\n"
    "    pinyin_spaced,\n"
    "    pinyin_compact,\n"
    "    is_truncated\n"
    ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?);";
constexpr const char* kInsertTerms =
    "INSERT INTO fts_terms (rowid, normalized_text, pinyin_spaced)\nVALUES (?, ?, ?);";
constexpr const char* kInsertGram = "INSERT OR IGNORE INTO compact_grams (gram, doc_id)\nVALUES (?, ?);";
constexpr const char* kSelectDocID = "SELECT doc_id FROM documents WHERE item_id = ? LIMIT 1;";
constexpr const char* kDeleteDocumentSteps[] = {
    "DELETE FROM compact_grams WHERE doc_id = ?;",
    "DELETE FROM fts_terms WHERE rowid = ?;",
    "DELETE FROM documents WHERE doc_id = ?;",
};
constexpr const char* kSetMeta =
    "INSERT INTO meta (key, value)\nVALUES (?, ?)\nON CONFLICT(key) DO UPDATE SET value = excluded.value;";
constexpr const char* kSelectMeta = "SELECT value FROM meta WHERE key = ? LIMIT 1;";
constexpr const char* kUpdateAccess =
    "UPDATE documents SET sort_at = ?, last_accessed_at = ?, access_count = ? WHERE item_id = ?;";
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

void createSchema(SQLiteDatabase& db) {
    db.execute(kCreateDocuments);
    db.execute(kCreateTerms);
    db.execute(kCreateGrams);
    db.execute(kCreateMeta);
}

void migrateSchema(SQLiteDatabase& db) {
    std::set<std::string> columns;
    {
        auto statement = db.prepare("PRAGMA table_info(documents);");
        while (statement.step()) {
            if (auto name = statement.columnText(1)) columns.insert(std::move(*name));
        }
    }
    for (const auto& [column, alter] : kAddedColumns) {
        if (!columns.contains(column)) db.execute(alter);
    }
    db.execute("UPDATE documents SET sort_at = created_at WHERE sort_at IS NULL;");
    db.execute("UPDATE documents SET access_count = 0 WHERE access_count IS NULL;");
}

// Runs `body` between BEGIN IMMEDIATE and COMMIT; any failure after BEGIN rolls back and rethrows the first
// error (a failing rollback is dropped in its favour).
template <class F>
void inTransaction(SQLiteDatabase& db, F&& body) {
    db.execute("BEGIN IMMEDIATE TRANSACTION;");
    try {
        body();
        db.execute("COMMIT TRANSACTION;");
    } catch (...) {
        try {
            db.execute("ROLLBACK TRANSACTION;");
        } catch (const SQLiteError&) {
        }
        throw;
    }
}

std::int64_t insertDocument(SQLiteDatabase& db, const ClipboardSearchIndexDocument& document) {
    auto statement = db.prepare(kInsertDocument);
    statement.bindText(1, document.id);
    statement.bindText(2, document.preview);
    statement.bindDouble(3, document.createdAt.timeIntervalSince1970);
    statement.bindDouble(4, document.sortAt.timeIntervalSince1970);
    if (document.lastAccessedAt) {
        statement.bindDouble(5, document.lastAccessedAt->timeIntervalSince1970);
    } else {
        statement.bindNull(5);
    }
    statement.bindInt64(6, document.accessCount);
    statement.bindText(7, rawValue(document.contentType));
    statement.bindOptionalText(8, document.bundleIdentifier);
    statement.bindOptionalText(9, document.classification);
    statement.bindText(10, document.normalizedText);
    statement.bindText(11, document.compactText);
    statement.bindText(12, document.pinyinSpaced);
    statement.bindText(13, document.pinyinCompact);
    statement.bindInt(14, document.isTruncated ? 1 : 0);
    statement.stepDone();
    return db.lastInsertRowID();
}

void insertTerms(SQLiteDatabase& db, std::int64_t docID, const ClipboardSearchIndexDocument& document) {
    auto statement = db.prepare(kInsertTerms);
    statement.bindInt64(1, docID);
    statement.bindText(2, document.normalizedText);
    statement.bindText(3, document.pinyinSpaced);
    statement.stepDone();
}

void insertGrams(SQLiteDatabase& db, std::int64_t docID, const ClipboardSearchIndexDocument& document) {
    auto grams = SQLiteClipboardSearchIndexStore::makeGrams(document.compactText, {2, 3});
    grams.merge(SQLiteClipboardSearchIndexStore::makeGrams(document.pinyinCompact, {2, 3}));
    if (grams.empty()) return;
    auto statement = db.prepare(kInsertGram);
    for (const auto& gram : grams) {
        statement.reset();
        statement.clearBindings();
        statement.bindText(1, gram);
        statement.bindInt64(2, docID);
        statement.stepDone();
    }
}

void insertDocumentWithTermsAndGrams(SQLiteDatabase& db, const ClipboardSearchIndexDocument& document) {
    const std::int64_t docID = insertDocument(db, document);
    insertTerms(db, docID, document);
    insertGrams(db, docID, document);
}

std::optional<std::int64_t> docID(SQLiteDatabase& db, const std::string& itemID) {
    auto statement = db.prepare(kSelectDocID);
    statement.bindText(1, itemID);
    if (!statement.step()) return std::nullopt;
    return statement.columnInt64(0);
}

void deleteDocument(SQLiteDatabase& db, std::int64_t docID) {
    for (const char* sql : kDeleteDocumentSteps) {
        auto statement = db.prepare(sql);
        statement.bindInt64(1, docID);
        statement.stepDone();
    }
}

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
    stats.gramCount = count(db, "SELECT COUNT(*) FROM compact_grams;");
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

}  // namespace

SQLiteClipboardSearchIndexStore::SQLiteClipboardSearchIndexStore(std::filesystem::path databasePath,
                                                                 std::shared_ptr<UserDefaults> userDefaults,
                                                                 std::shared_ptr<const Clock> clock)
    : databasePath_(std::move(databasePath)), userDefaults_(std::move(userDefaults)), clock_(std::move(clock)) {
    if (databasePath_.has_parent_path()) std::filesystem::create_directories(databasePath_.parent_path());
    queue_.sync([this] { openConnection(); });
}

SQLiteClipboardSearchIndexStore::~SQLiteClipboardSearchIndexStore() {
    queue_.sync([this] { db_.reset(); });
}

void SQLiteClipboardSearchIndexStore::configure(SQLiteDatabase& db) {
    db.execute("PRAGMA journal_mode = WAL;");
    db.execute("PRAGMA synchronous = NORMAL;");
    db.execute("PRAGMA foreign_keys = ON;");
    createSchema(db);
    migrateSchema(db);
    for (const char* sql : kCreateIndexes) db.execute(sql);
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
    db_.reset();
    try {
        const auto aside = moveDamagedFilesAside();
        auto db = std::make_unique<SQLiteDatabase>(databasePath_);
        configure(*db);
        db_ = std::move(db);
        Logger::error("Failed to use clipboard search index (" + error.message() + "): moved it to " +
                          aside.string() + " and created an empty index",
                      "SQLiteSearch");
        return true;
    } catch (const std::exception& failure) {
        Logger::error("Failed to replace damaged clipboard search index: " + std::string(failure.what()),
                      "SQLiteSearch");
        return false;
    }
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
            throw SQLiteClipboardSearchIndexStoreError(SQLiteClipboardSearchIndexStoreError::Kind::openDatabase,
                                                       "Unknown SQLite error");
        }
        try {
            return body(*db_);
        } catch (const SQLiteError& error) {
            if (error.isCorruption()) recoverFromCorruption(error);
            throw translate(error);
        }
    });
}

ClipboardSearchIndexStats SQLiteClipboardSearchIndexStore::rebuild(
    const std::vector<ClipboardSearchIndexDocument>& documents) {
    return perform([&](SQLiteDatabase& db) {
        inTransaction(db, [&] {
            db.execute("DELETE FROM compact_grams;");
            db.execute("DELETE FROM fts_terms;");
            db.execute("DELETE FROM documents;");
            db.execute("DELETE FROM meta WHERE key = 'last_rebuild_at';");
            for (const auto& document : documents) insertDocumentWithTermsAndGrams(db, document);
            setMeta(db, kLastRebuildAtKey, formatMetaDate(clock_->now().timeIntervalSince1970));
        });
        return readStats(db);
    });
}

void SQLiteClipboardSearchIndexStore::upsert(const ClipboardSearchIndexDocument& document) {
    perform([&](SQLiteDatabase& db) {
        inTransaction(db, [&] {
            if (const auto existing = docID(db, document.id)) deleteDocument(db, *existing);
            insertDocumentWithTermsAndGrams(db, document);
        });
    });
}

void SQLiteClipboardSearchIndexStore::deleteDocuments(const std::vector<std::string>& itemIDs) {
    perform([&](SQLiteDatabase& db) {
        inTransaction(db, [&] {
            for (const auto& itemID : itemIDs) {
                if (const auto existing = docID(db, itemID)) deleteDocument(db, *existing);
            }
        });
    });
}

void SQLiteClipboardSearchIndexStore::updateAccess(const std::string& itemID, Date sortAt,
                                                   std::optional<Date> lastAccessedAt, std::int64_t accessCount) {
    perform([&](SQLiteDatabase& db) {
        auto statement = db.prepare(kUpdateAccess);
        statement.bindDouble(1, sortAt.timeIntervalSince1970);
        if (lastAccessedAt) {
            statement.bindDouble(2, lastAccessedAt->timeIntervalSince1970);
        } else {
            statement.bindNull(2);
        }
        statement.bindInt64(3, std::max<std::int64_t>(accessCount, 0));
        statement.bindText(4, itemID);
        statement.stepDone();
    });
}

ClipboardSearchIndexStats SQLiteClipboardSearchIndexStore::stats() {
    return perform([](SQLiteDatabase& db) { return readStats(db); });
}

void SQLiteClipboardSearchIndexStore::syncVoid(const std::function<void()>& body) { queue_.sync(body); }

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
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, secondsSince1970, std::chars_format::fixed);
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
