#include "searchindex/reference/ReferenceSearchIndexStore.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "base/Logger.h"
#include "base/Utf8.h"
#include "model/SearchTextNormalizer.h"
#include "searchindex/SearchStrings.h"
#include "searchindex/reference/ReferenceSearchIndexQuery.h"
#include "sqlite/SQLiteError.h"
#include "sqlite/SQLiteTransaction.h"

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
    auto grams = ReferenceSearchIndexStore::makeGrams(document.compactText, {2, 3});
    grams.merge(ReferenceSearchIndexStore::makeGrams(document.pinyinCompact, {2, 3}));
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
    const auto seconds = ReferenceSearchIndexStore::parseMetaDate(*text);
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

void bind(SQLiteStatement& statement, const std::vector<SQLiteBindingValue>& values) {
    int index = 1;
    for (const auto& value : values) {
        std::visit(
            [&](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, std::int32_t>) {
                    statement.bindInt(index, v);
                } else if constexpr (std::is_same_v<T, std::int64_t>) {
                    statement.bindInt64(index, v);
                } else {
                    statement.bindText(index, v);
                }
            },
            value);
        ++index;
    }
}

// The snapshot of the current row (columns doc_id ... classification), or nothing when a required text is
// NULL or the content type is unknown.
std::optional<ClipboardHistoryIndexSnapshot> decodeStoredDocument(const SQLiteStatement& row) {
    auto itemID = row.columnText(1);
    auto preview = row.columnText(2);
    const auto contentTypeText = row.columnText(7);
    auto normalizedText = row.columnText(9);
    if (!itemID || !preview || !contentTypeText || !normalizedText || row.columnIsNull(10) ||
        row.columnIsNull(11) || row.columnIsNull(12)) {
        return std::nullopt;
    }
    const auto contentType = clipboardContentTypeFromRawValue(*contentTypeText);
    if (!contentType) return std::nullopt;
    ClipboardHistoryIndexSnapshot snapshot;
    snapshot.id = std::move(*itemID);
    snapshot.preview = std::move(*preview);
    snapshot.searchText = std::move(*normalizedText);
    snapshot.createdAt = Date(row.columnDouble(3));
    if (!row.columnIsNull(5)) snapshot.lastAccessedAt = Date(row.columnDouble(5));
    snapshot.accessCount = std::max<std::int64_t>(row.columnInt64(6), 0);
    snapshot.contentType = *contentType;
    snapshot.bundleIdentifier = row.columnText(8);
    snapshot.classification = row.columnText(13);
    return snapshot;
}

// Every decodable row of the query. A step that fails part-way throws: a partial result is never a success.
std::vector<ClipboardHistoryIndexSnapshot> runQuery(SQLiteDatabase& db,
                                                    const ReferenceSearchIndexQuery& query) {
    auto statement = db.prepare(query.sql);
    bind(statement, query.parameters);
    std::vector<ClipboardHistoryIndexSnapshot> rows;
    while (statement.step()) {
        if (auto snapshot = decodeStoredDocument(statement)) rows.push_back(std::move(*snapshot));
    }
    return rows;
}

std::string describe(const std::optional<std::string>& value) {
    return value ? *value : "nil";
}

}  // namespace

ReferenceSearchIndexStore::ReferenceSearchIndexStore(
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
}

ReferenceSearchIndexStore::~ReferenceSearchIndexStore() {
    queue_.sync([this] { db_.reset(); });
}

void ReferenceSearchIndexStore::configure(SQLiteDatabase& db) {
    db.execute("PRAGMA journal_mode = WAL;");
    db.execute("PRAGMA synchronous = NORMAL;");
    db.execute("PRAGMA foreign_keys = ON;");
    // Searches read many rows of a large file; mapping it saves a copy of every page read.
    db.execute("PRAGMA mmap_size = 268435456;");
    createSchema(db);
    migrateSchema(db);
    for (const char* sql : kCreateIndexes) db.execute(sql);
}

void ReferenceSearchIndexStore::openConnection() {
    try {
        auto db = std::make_unique<SQLiteDatabase>(databasePath_);
        configure(*db);
        db_ = std::move(db);
        return;
    } catch (const SQLiteError& error) {
        if (!error.isCorruption() || !recoverFromCorruption(error)) throw translate(error);
    }
}

bool ReferenceSearchIndexStore::recoverFromCorruption(const SQLiteError& error) {
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

std::filesystem::path ReferenceSearchIndexStore::moveDamagedFilesAside() {
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
auto ReferenceSearchIndexStore::perform(F&& body) -> decltype(body(std::declval<SQLiteDatabase&>())) {
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

ClipboardSearchIndexStats ReferenceSearchIndexStore::rebuild(
    const std::vector<ClipboardSearchIndexDocument>& documents) {
    return perform([&](SQLiteDatabase& db) {
        // Grams land all over the gram table; a large page cache for the length of the rebuild cuts its time
        // several-fold, and the usual cache returns afterwards so the memory is given back.
        const WideCache wideCache(db);
        SQLiteTransaction::run(db, [&] {
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

void ReferenceSearchIndexStore::upsert(const ClipboardSearchIndexDocument& document) {
    perform([&](SQLiteDatabase& db) {
        SQLiteTransaction::run(db, [&] {
            if (const auto existing = docID(db, document.id)) deleteDocument(db, *existing);
            insertDocumentWithTermsAndGrams(db, document);
        });
    });
}

void ReferenceSearchIndexStore::deleteDocuments(const std::vector<std::string>& itemIDs) {
    perform([&](SQLiteDatabase& db) {
        SQLiteTransaction::run(db, [&] {
            for (const auto& itemID : itemIDs) {
                if (const auto existing = docID(db, itemID)) deleteDocument(db, *existing);
            }
        });
    });
}

void ReferenceSearchIndexStore::updateAccess(const std::string& itemID, Date sortAt,
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

ClipboardSearchIndexStats ReferenceSearchIndexStore::stats() {
    return perform([](SQLiteDatabase& db) { return readStats(db); });
}

std::vector<std::string> ReferenceSearchIndexStore::documentItemIDsAfter(
    const std::optional<std::string>& after, std::size_t most) {
    return perform([&](SQLiteDatabase& db) {
        std::vector<std::string> ids;
        auto statement = db.prepare(
            "SELECT item_id FROM documents WHERE ?1 IS NULL OR item_id > ?1 ORDER BY item_id LIMIT ?2;");
        if (after) {
            statement.bindText(1, *after);
        } else {
            statement.bindNull(1);
        }
        statement.bindInt64(2, static_cast<std::int64_t>(
                                   std::min<std::size_t>(most, std::numeric_limits<std::int32_t>::max())));
        while (statement.step()) {
            if (auto id = statement.columnText(0)) ids.push_back(std::move(*id));
        }
        return ids;
    });
}

ClipboardSearchPage ReferenceSearchIndexStore::page(std::vector<ClipboardHistoryIndexSnapshot> rows,
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

ClipboardSearchPage ReferenceSearchIndexStore::fetchRecent(std::int64_t limit, std::int64_t offset) {
    if (limit < 1) return {};
    return perform([&](SQLiteDatabase& db) {
        return page(runQuery(db, ReferenceSearchIndexQuery::recent(limit, offset)), 0, limit);
    });
}

ClipboardSearchPage ReferenceSearchIndexStore::search(const ClipboardSearchQueryText& query,
                                                      const std::vector<ClipboardSearchFilter>& filters,
                                                      std::int64_t limit, std::int64_t offset) {
    if (limit < 1) return {};
    offset = std::max<std::int64_t>(offset, 0);
    return perform([&](SQLiteDatabase& db) {
        return filters.empty() ? textOnlySearch(db, query, limit, offset)
                               : filteredSearch(db, query, filters, limit, offset);
    });
}

ClipboardSearchPage ReferenceSearchIndexStore::textOnlySearch(SQLiteDatabase& db,
                                                              const ClipboardSearchQueryText& query,
                                                              std::int64_t limit, std::int64_t offset) {
    using Query = ReferenceSearchIndexQuery;
    const std::int64_t fetchLimit = Query::saturatingAdd(limit, 1);
    if (!query.normalizedText.empty() && Query::containsNonAlphanumeric(query.compactText)) {
        return page(runQuery(db, Query::substring(query, {}, fetchLimit, offset)), 0, limit);
    }
    const std::string match = Query::matchExpression(query.tokens);
    if (!query.tokens.empty() && !match.empty()) {
        const std::int64_t ftsLimit = std::max<std::int64_t>(Query::saturatingAdd(offset, fetchLimit), 1);
        auto rows = runQuery(db, Query::fullText(query, match, ftsLimit));
        // Whether full-text alone serves is decided against one page plus one row, never against the offset:
        // every page of one query then takes the same path, so page 2 neither repeats nor skips page 1's
        // rows.
        if (rows.size() >= static_cast<std::uint64_t>(fetchLimit))
            return page(std::move(rows), offset, limit);
        const std::size_t length = characterCountUpTo(query.compactText, 13);
        const bool gramsMayHelp = query.tokens.size() == 1 && query.normalizedText == query.compactText &&
                                  length >= 2 && (rows.empty() || length <= 12);
        if (!gramsMayHelp) return page(std::move(rows), offset, limit);
    }
    const auto candidates = Query::textOnlyUnion(query, limit, offset);
    if (!candidates) return {};
    return page(runQuery(db, *candidates), 0, limit);
}

ClipboardSearchPage ReferenceSearchIndexStore::filteredSearch(
    SQLiteDatabase& db, const ClipboardSearchQueryText& query,
    const std::vector<ClipboardSearchFilter>& filters, std::int64_t limit, std::int64_t offset) {
    using Query = ReferenceSearchIndexQuery;
    Query::Filters state{ClipboardSearchFilterState::make(filters, clock_->now()), std::nullopt, false};
    state.bundleIdentifiers = appBundleIdentifiers(db, state.state.appValue);
    const auto& s = state.state;
    const std::string contentType = s.contentType ? std::string(rawValue(*s.contentType)) : "nil";
    Logger::debug("SQLiteStore.searchWithFilters: contentType=" + contentType + " classification=" +
                      describe(s.classification) + " app=" + describe(s.appValue) + " appMatches=" +
                      (state.bundleIdentifiers ? std::to_string(state.bundleIdentifiers->size()) : "nil") +
                      " textQuery='" + query.normalizedText + "'",
                  "SQLiteSearch");
    if (query.normalizedText.empty()) {
        Logger::debug("SQLiteStore: pure filter query (no text)", "SQLiteSearch");
        const auto filtersOnly = Query::filtersOnly(state, limit, offset);
        Logger::debug("SQLiteStore.fetchWithFiltersOnly SQL: " + filtersOnly.sql, "SQLiteSearch");
        Logger::debug("SQLiteStore.fetchWithFiltersOnly bindings: contentType=" + contentType +
                          " classification=" + describe(s.classification),
                      "SQLiteSearch");
        auto rows = runQuery(db, filtersOnly);
        Logger::debug(
            "SQLiteStore.fetchWithFiltersOnly result: " + std::to_string(rows.size()) + " documents",
            "SQLiteSearch");
        return page(std::move(rows), 0, limit);
    }
    Logger::debug("SQLiteStore: text + filter query", "SQLiteSearch");
    if (Query::containsNonAlphanumeric(query.compactText)) {
        return page(runQuery(db, Query::substring(query, state, Query::saturatingAdd(limit, 1), offset)), 0,
                    limit);
    }
    if (s.classification && characterCountUpTo(query.compactText, 2) == 1) {
        state.namesUserClassification = namesUserClassification(*s.classification);
    }
    const auto candidates = Query::textWithFiltersUnion(query, state, limit, offset);
    if (!candidates) return {};
    return page(runQuery(db, *candidates), 0, limit);
}

std::optional<std::vector<std::string>> ReferenceSearchIndexStore::appBundleIdentifiers(
    SQLiteDatabase& db, const std::optional<std::string>& appValue) {
    if (!appValue || search_strings::trimmed(*appValue).empty()) return std::nullopt;
    std::vector<std::string> known;
    auto statement = db.prepare(
        "SELECT DISTINCT bundle_identifier\nFROM documents\n"
        "WHERE bundle_identifier IS NOT NULL AND bundle_identifier <> ''\n"
        "ORDER BY bundle_identifier COLLATE NOCASE ASC;");
    while (statement.step()) {
        if (auto identifier = statement.columnText(0)) known.push_back(std::move(*identifier));
    }
    return resolveBundleIdentifiers_(*appValue, known);
}

bool ReferenceSearchIndexStore::namesUserClassification(const std::string& value) const {
    const std::string normalized = SearchTextNormalizer::normalize(value);
    if (normalized.empty() || ClipboardSearchVocabulary::namesBuiltInClassification(normalized)) return false;
    return ClipboardSearchVocabulary::namesEnabledUserClassification(normalized, *userDefaults_);
}

void ReferenceSearchIndexStore::syncVoid(const std::function<void()>& body) {
    queue_.sync(body);
}

std::set<std::string> ReferenceSearchIndexStore::makeGrams(std::string_view text,
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

std::string ReferenceSearchIndexStore::formatMetaDate(double secondsSince1970) {
    char buffer[512];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, secondsSince1970, std::chars_format::fixed);
    std::string text = error == std::errc() ? std::string(buffer, end) : std::to_string(secondsSince1970);
    if (text.find_first_of(".ni") == std::string::npos) text += ".0";
    return text;
}

std::optional<double> ReferenceSearchIndexStore::parseMetaDate(const std::string& text) {
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
