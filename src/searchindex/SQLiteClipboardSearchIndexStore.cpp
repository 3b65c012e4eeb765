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
#include "searchindex/ClipboardSearchTokenizers.h"
#include "searchindex/SearchStrings.h"
#include "sqlite/SQLiteError.h"
#include "sqlite/SQLiteTransaction.h"

namespace quorvane {
namespace {

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
// Each document's place in the order (sort_at DESC, doc_id DESC), newest smallest. The full-text tables are
// keyed by it, so their natural ascending order is newest first.
constexpr const char* kCreateRanks =
    "CREATE TABLE IF NOT EXISTS document_ranks (\n"
    "    rank INTEGER PRIMARY KEY,\n"
    "    doc_id INTEGER NOT NULL UNIQUE\n"
    ");";
// The full-text tables hold no copy of the texts (content=''): the documents table has them.
constexpr const char* kCreateSearchTables[] = {
    // Words, with prefix indexes so one- and two-letter word prefixes stream without merging term lists.
    "CREATE VIRTUAL TABLE IF NOT EXISTS search_words USING fts5(\n"
    "    normalized_text, pinyin_spaced, content='', prefix='1 2'\n"
    ");",
    // Every run of three code points: substrings and the three-character grams of a query.
    "CREATE VIRTUAL TABLE IF NOT EXISTS search_trigrams USING fts5(\n"
    "    compact_text, pinyin_compact, content='', detail='none', tokenize='trigram case_sensitive 1'\n"
    ");",
    "CREATE VIRTUAL TABLE IF NOT EXISTS search_bigrams USING fts5(\n"
    "    compact_text, pinyin_compact, content='', detail='none', tokenize='quorvane_bigram'\n"
    ");",
    // The leading characters of every text, for "starts with".
    "CREATE VIRTUAL TABLE IF NOT EXISTS search_heads USING fts5(\n"
    "    normalized_text, compact_text, pinyin_spaced, pinyin_compact, content='', detail='none',\n"
    "    tokenize='quorvane_heads'\n"
    ");",
    // The terms of the word table, so a word prefix can be looked up as the few whole words it stands for.
    "CREATE VIRTUAL TABLE IF NOT EXISTS search_word_terms USING fts5vocab(search_words, 'row');",
    "CREATE VIRTUAL TABLE IF NOT EXISTS search_trigram_terms USING fts5vocab(search_trigrams, 'row');",
    "CREATE VIRTUAL TABLE IF NOT EXISTS search_bigram_terms USING fts5vocab(search_bigrams, 'row');",
};
constexpr const char* kSearchTables[] = {"search_words", "search_trigrams", "search_bigrams", "search_heads"};
constexpr const char* kCreateMeta =
    "CREATE TABLE IF NOT EXISTS meta (\n"
    "    key TEXT PRIMARY KEY,\n"
    "    value TEXT NOT NULL\n"
    ");";
constexpr const char* kCreateIndexes[] = {
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
// Tables of the earlier layout: a hand-made gram table and a full-text table with its own copy of the texts.
constexpr const char* kDropEarlierLayout[] = {
    "DROP INDEX IF EXISTS idx_compact_grams_doc_id;",
    "DROP TABLE IF EXISTS compact_grams;",
    "DROP TABLE IF EXISTS fts_terms;",
};

// FTS5's own default; used while a whole index is filled.
constexpr int kBulkAutomerge = 4;
// Log frames (pages) after which a commit asks for a checkpoint; SQLite's own default.
constexpr int kCheckpointFrames = 1000;
// Pages merged per step of tidy(): about a millisecond of work, so a write waits no longer behind one.
constexpr int kMergePages = 16;

// Room between the ranks of neighbours, so an entry dated between two others usually fits without moving
// any other entry.
constexpr std::int64_t kRankGap = std::int64_t{1} << 16;

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
constexpr const char* kSelectDocument =
    "SELECT d.doc_id, r.rank, d.sort_at, d.bundle_identifier, d.normalized_text, d.compact_text,\n"
    "       d.pinyin_spaced, d.pinyin_compact\n"
    "FROM documents d LEFT JOIN document_ranks r ON r.doc_id = d.doc_id\nWHERE d.item_id = ? LIMIT 1;";
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

// Creates the tables, dropping those of the earlier layout.
void createSchema(SQLiteDatabase& db) {
    db.execute(kCreateDocuments);
    for (const char* sql : kDropEarlierLayout) db.execute(sql);
    db.execute(kCreateRanks);
    for (const char* sql : kCreateSearchTables) db.execute(sql);
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

// The texts a document is searched by, in the order of the search tables' columns.
struct SearchTexts {
    std::string normalizedText;
    std::string compactText;
    std::string pinyinSpaced;
    std::string pinyinCompact;
};

SearchTexts searchTexts(const ClipboardSearchIndexDocument& document) {
    return {document.normalizedText, document.compactText, document.pinyinSpaced, document.pinyinCompact};
}

// SQLite's trigram tokenizer stops at a NUL; a character no query types stands in for it, so the text after
// it is indexed too. rankAndIndexAll() makes the same replacement in SQL.
constexpr const char* kNulStandIn = "\xEF\xBF\xBF";  // U+FFFF
std::string withoutNul(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '\0') {
            out += kNulStandIn;
        } else {
            out += c;
        }
    }
    return out;
}

// Adds or removes one document's rows of the four search tables, keyed by its rank. The tables keep no copy
// of the texts, so a removal must be handed the texts the rows were made from.
class SearchRowWriter {
public:
    explicit SearchRowWriter(SQLiteDatabase& db) : db_(db) {}

    void insert(std::int64_t rank, const SearchTexts& texts) { run(inserts_, "", rank, texts); }
    void remove(std::int64_t rank, const SearchTexts& texts) { run(removes_, "'delete', ", rank, texts); }

private:
    void run(std::vector<SQLiteStatement>& statements, const char* command, std::int64_t rank,
             const SearchTexts& texts) {
        if (statements.empty()) {
            const bool removing = *command != '\0';
            for (const char* table : kSearchTables) {
                const std::string t(table);
                const bool words = t == "search_words";
                const bool heads = t == "search_heads";
                std::string columns = words   ? "normalized_text, pinyin_spaced"
                                      : heads ? "normalized_text, compact_text, pinyin_spaced, pinyin_compact"
                                              : "compact_text, pinyin_compact";
                std::string marks = words || !heads ? "?, ?, ?" : "?, ?, ?, ?, ?";
                statements.push_back(db_.prepare("INSERT INTO " + t + " (" + (removing ? t + ", " : "") +
                                                 "rowid, " + columns + ") VALUES (" + command + marks +
                                                 ");"));
            }
        }
        const std::string_view all[] = {texts.normalizedText, texts.compactText, texts.pinyinSpaced,
                                        texts.pinyinCompact};
        const std::vector<std::vector<int>> columnsOf = {{0, 2}, {1, 3}, {1, 3}, {0, 1, 2, 3}};
        for (std::size_t i = 0; i < statements.size(); ++i) {
            auto& statement = statements[i];
            statement.reset();
            statement.bindInt64(1, rank);
            int index = 2;
            for (const int column : columnsOf[i]) {
                if (i == 1) {
                    statement.bindText(index++, withoutNul(all[column]));
                } else {
                    statement.bindText(index++, all[column]);
                }
            }
            statement.stepDone();
        }
    }

    SQLiteDatabase& db_;
    std::vector<SQLiteStatement> inserts_;
    std::vector<SQLiteStatement> removes_;
};

std::int64_t insertDocument(SQLiteStatement& statement, SQLiteDatabase& db,
                            const ClipboardSearchIndexDocument& document) {
    statement.reset();
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

// An indexed document as its writes need it.
struct IndexedDocument {
    std::int64_t docID = 0;
    std::optional<std::int64_t> rank;
    double sortAt = 0;
    std::optional<std::string> bundleIdentifier;
    SearchTexts texts;
};

std::optional<IndexedDocument> indexedDocument(SQLiteDatabase& db, const std::string& itemID) {
    auto statement = db.prepare(kSelectDocument);
    statement.bindText(1, itemID);
    if (!statement.step()) return std::nullopt;
    IndexedDocument found;
    found.docID = statement.columnInt64(0);
    if (!statement.columnIsNull(1)) found.rank = statement.columnInt64(1);
    found.sortAt = statement.columnDouble(2);
    found.bundleIdentifier = statement.columnText(3);
    found.texts = {statement.columnText(4).value_or(""), statement.columnText(5).value_or(""),
                   statement.columnText(6).value_or(""), statement.columnText(7).value_or("")};
    return found;
}

SearchTexts textsOfDocument(SQLiteDatabase& db, std::int64_t docID) {
    auto statement = db.prepare(
        "SELECT normalized_text, compact_text, pinyin_spaced, pinyin_compact FROM documents WHERE doc_id = "
        "?;");
    statement.bindInt64(1, docID);
    if (!statement.step()) return {};
    return {statement.columnText(0).value_or(""), statement.columnText(1).value_or(""),
            statement.columnText(2).value_or(""), statement.columnText(3).value_or("")};
}

void setRank(SQLiteDatabase& db, std::int64_t docID, std::int64_t rank) {
    auto statement = db.prepare("INSERT INTO document_ranks (rank, doc_id) VALUES (?, ?);");
    statement.bindInt64(1, rank);
    statement.bindInt64(2, docID);
    statement.stepDone();
}

void clearRank(SQLiteDatabase& db, std::int64_t docID) {
    auto statement = db.prepare("DELETE FROM document_ranks WHERE doc_id = ?;");
    statement.bindInt64(1, docID);
    statement.stepDone();
}

// The rank of the nearest document newer (or older) than the place (sortAt, docID), among ranked ones.
std::optional<std::int64_t> neighbourRank(SQLiteDatabase& db, double sortAt, std::int64_t docID, bool newer) {
    auto statement = db.prepare(
        newer ? "SELECT r.rank FROM documents d JOIN document_ranks r ON r.doc_id = d.doc_id\n"
                "WHERE (d.sort_at, d.doc_id) > (?1, ?2) ORDER BY d.sort_at ASC, d.doc_id ASC LIMIT 1;"
              : "SELECT r.rank FROM documents d JOIN document_ranks r ON r.doc_id = d.doc_id\n"
                "WHERE (d.sort_at, d.doc_id) < (?1, ?2) ORDER BY d.sort_at DESC, d.doc_id DESC LIMIT 1;");
    statement.bindDouble(1, sortAt);
    statement.bindInt64(2, docID);
    if (!statement.step()) return std::nullopt;
    return statement.columnInt64(0);
}

// Makes room right after `newerRank` by spreading the documents older than (sortAt, docID) over a wider
// span: a window of them, doubled until the span past it has room. Returns the rank left free.
std::int64_t spreadOlder(SQLiteDatabase& db, SearchRowWriter& writer, double sortAt, std::int64_t docID,
                         std::int64_t newerRank) {
    for (std::int64_t window = 8;; window *= 2) {
        std::vector<std::pair<std::int64_t, std::int64_t>> older;  // rank, doc_id
        {
            auto statement = db.prepare(
                "SELECT r.rank, d.doc_id FROM documents d JOIN document_ranks r ON r.doc_id = d.doc_id\n"
                "WHERE (d.sort_at, d.doc_id) < (?1, ?2) ORDER BY d.sort_at DESC, d.doc_id DESC LIMIT ?3;");
            statement.bindDouble(1, sortAt);
            statement.bindInt64(2, docID);
            statement.bindInt64(3, window + 1);
            while (statement.step()) older.emplace_back(statement.columnInt64(0), statement.columnInt64(1));
        }
        const bool last = static_cast<std::int64_t>(older.size()) <= window;
        const std::int64_t bound =
            last ? (older.empty() ? newerRank : older.back().first) + kRankGap * (window + 2)
                 : older.back().first;
        if (!last) older.pop_back();
        const std::int64_t step = (bound - newerRank) / static_cast<std::int64_t>(older.size() + 2);
        if (step < 2) continue;
        std::vector<SearchTexts> texts;
        for (const auto& [rank, doc] : older) {
            texts.push_back(textsOfDocument(db, doc));
            writer.remove(rank, texts.back());
            clearRank(db, doc);
        }
        for (std::size_t i = 0; i < older.size(); ++i) {
            const std::int64_t rank = newerRank + step * static_cast<std::int64_t>(i + 2);
            setRank(db, older[i].second, rank);
            writer.insert(rank, texts[i]);
        }
        return newerRank + step;
    }
}

// Gives the document (already in the documents table, without a rank) its rank and its search rows.
void placeDocument(SQLiteDatabase& db, SearchRowWriter& writer, std::int64_t docID, double sortAt,
                   const SearchTexts& texts) {
    const auto newer = neighbourRank(db, sortAt, docID, true);
    const auto older = neighbourRank(db, sortAt, docID, false);
    std::int64_t rank = 0;
    if (!newer) {
        rank = older ? *older - kRankGap : 0;
    } else if (!older) {
        rank = *newer + kRankGap;
    } else if (*older - *newer >= 2) {
        rank = *newer + (*older - *newer) / 2;
    } else {
        rank = spreadOlder(db, writer, sortAt, docID, *newer);
    }
    setRank(db, docID, rank);
    writer.insert(rank, texts);
}

void removeDocument(SQLiteDatabase& db, SearchRowWriter& writer, const IndexedDocument& document) {
    if (document.rank) writer.remove(*document.rank, document.texts);
    clearRank(db, document.docID);
    auto statement = db.prepare("DELETE FROM documents WHERE doc_id = ?;");
    statement.bindInt64(1, document.docID);
    statement.stepDone();
}

// FTS5 merges segments inside the write that tips a level over, which takes tens of milliseconds on a large
// index; the store's writes leave them to tidy(), a few pages at a time between writes. A bulk fill merges as
// it goes.
void setAutomerge(SQLiteDatabase& db, int segments) {
    for (const char* table : kSearchTables) {
        db.execute(std::string("INSERT INTO ") + table + " (" + table + ", rank) VALUES ('automerge', " +
                   std::to_string(segments) + ");");
    }
}

// Ranks every document by sorting and fills the search tables in rank order, from empty search tables.
void rankAndIndexAll(SQLiteDatabase& db) {
    setAutomerge(db, kBulkAutomerge);
    db.execute("DELETE FROM document_ranks;");
    for (const char* table : kSearchTables) {
        db.execute(std::string("INSERT INTO ") + table + " (" + table + ") VALUES ('delete-all');");
    }
    auto rank = db.prepare(
        "INSERT INTO document_ranks (rank, doc_id)\n"
        "SELECT (ROW_NUMBER() OVER (ORDER BY sort_at DESC, doc_id DESC) - 1) * ?, doc_id FROM documents;");
    rank.bindInt64(1, kRankGap);
    rank.stepDone();
    const char* fills[] = {
        "INSERT INTO search_words (rowid, normalized_text, pinyin_spaced)\n"
        "SELECT r.rank, d.normalized_text, d.pinyin_spaced FROM document_ranks r JOIN documents d\n"
        "ON d.doc_id = r.doc_id ORDER BY r.rank;",
        "INSERT INTO search_trigrams (rowid, compact_text, pinyin_compact)\n"
        "SELECT r.rank, replace(d.compact_text, char(0), char(65535)),\n"
        "       replace(d.pinyin_compact, char(0), char(65535)) FROM document_ranks r JOIN documents d\n"
        "ON d.doc_id = r.doc_id ORDER BY r.rank;",
        "INSERT INTO search_bigrams (rowid, compact_text, pinyin_compact)\n"
        "SELECT r.rank, d.compact_text, d.pinyin_compact FROM document_ranks r JOIN documents d\n"
        "ON d.doc_id = r.doc_id ORDER BY r.rank;",
        "INSERT INTO search_heads (rowid, normalized_text, compact_text, pinyin_spaced, pinyin_compact)\n"
        "SELECT r.rank, d.normalized_text, d.compact_text, d.pinyin_spaced, d.pinyin_compact\n"
        "FROM document_ranks r JOIN documents d ON d.doc_id = r.doc_id ORDER BY r.rank;",
    };
    for (const char* sql : fills) db.execute(sql);
    // One segment per table: later writes then add small segments beside it, never half-done merges of
    // large ones.
    for (const char* table : kSearchTables) {
        db.execute(std::string("INSERT INTO ") + table + " (" + table + ") VALUES ('optimize');");
    }
    setAutomerge(db, 0);
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
    queue_.sync([this] { db_.reset(); });
}

void SQLiteClipboardSearchIndexStore::configure(SQLiteDatabase& db) {
    // Another connection may hold the write lock for a moment (a reader checkpointing the log); wait for it
    // as the history store does instead of failing the write.
    sqlite3_busy_timeout(db.handle(), busyTimeoutMilliseconds);
    db.execute("PRAGMA journal_mode = WAL;");
    db.execute("PRAGMA synchronous = NORMAL;");
    db.execute("PRAGMA foreign_keys = ON;");
    // Searches read many rows of a large file; mapping it saves a copy of every page read.
    db.execute("PRAGMA mmap_size = 2147418112;");
    ClipboardSearchTokenizers::registerWith(db.handle());
    createSchema(db);
    migrateSchema(db);
    for (const char* sql : kCreateIndexes) db.execute(sql);
    automergeOff_ = false;
    // The log is copied back into the file on the checkpoint queue, beside the writes instead of inside one.
    sqlite3_wal_hook(db.handle(), &SQLiteClipboardSearchIndexStore::walCommitted, this);
    // Documents without ranks: a file of the earlier layout (its tables were just dropped), or one whose
    // reindexing was cut short. The search tables are filled again from the documents.
    auto unranked =
        db.prepare("SELECT EXISTS (SELECT 1 FROM documents) AND NOT EXISTS (SELECT 1 FROM document_ranks);");
    needsReindex_ = unranked.step() && unranked.columnInt64(0) != 0;
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
            checkpointDb_ = std::make_unique<SQLiteDatabase>(databasePath_);
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
            setAutomerge(*db_, 0);
            automergeOff_ = true;
        }
        for (const char* table : kSearchTables) {
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
                SQLiteTransaction::run(*db_, [&] { rankAndIndexAll(*db_); });
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
    db_.reset();
    ++fileGeneration_;
    forgetAppIdentifiers();
    try {
        const auto aside = moveDamagedFilesAside();
        auto db = std::make_unique<SQLiteDatabase>(databasePath_);
        configure(*db);
        db_ = std::move(db);
        Logger::error("Failed to use clipboard search index (" + error.message() + "): moved it to " +
                          aside.string() + " and created an empty index",
                      "SQLiteSearch");
        if (recoveryHandler_) {
            recoveryHandler_();
        } else {
            recoveryPending_ = true;
        }
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
    auto db = std::make_unique<SQLiteDatabase>(databasePath_);
    ClipboardSearchTokenizers::registerWith(db->handle());
    db->execute("PRAGMA query_only = 1;");
    db->execute("PRAGMA mmap_size = 2147418112;");
    readDb_ = std::move(db);
    readGeneration_ = generation;
}

template <class F>
auto SQLiteClipboardSearchIndexStore::performRead(F&& body)
    -> decltype(body(std::declval<SQLiteDatabase&>())) {
    return readQueue_.syncResult([&] {
        if (reindexing_) {
            // The caller falls back to the history's own search meanwhile.
            throw SQLiteClipboardSearchIndexStoreError(SQLiteClipboardSearchIndexStoreError::Kind::step,
                                                       "clipboard search index is being reindexed");
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
    return perform([&](SQLiteDatabase& db) {
        // A large page cache for the length of the rebuild keeps the full-text merges in memory; the usual
        // cache returns afterwards so the memory is given back.
        const WideCache wideCache(db);
        SQLiteTransaction::run(db, [&] {
            db.execute("DELETE FROM documents;");
            db.execute("DELETE FROM meta WHERE key = 'last_rebuild_at';");
            auto insert = db.prepare(kInsertDocument);
            for (const auto& document : documents) insertDocument(insert, db, document);
            rankAndIndexAll(db);
            setMeta(db, kLastRebuildAtKey, formatMetaDate(clock_->now().timeIntervalSince1970));
        });
        forgetAppIdentifiers();
        return readStats(db);
    });
}

void SQLiteClipboardSearchIndexStore::upsert(const ClipboardSearchIndexDocument& document) {
    perform([&](SQLiteDatabase& db) {
        SQLiteTransaction::run(db, [&] {
            SearchRowWriter writer(db);
            const auto existing = indexedDocument(db, document.id);
            if (existing) removeDocument(db, writer, *existing);
            noteAppIdentifier(document.bundleIdentifier,
                              existing ? existing->bundleIdentifier : std::nullopt);
            auto insert = db.prepare(kInsertDocument);
            const std::int64_t docID = insertDocument(insert, db, document);
            placeDocument(db, writer, docID, document.sortAt.timeIntervalSince1970, searchTexts(document));
        });
        scheduleTidy();
    });
}

void SQLiteClipboardSearchIndexStore::deleteDocuments(const std::vector<std::string>& itemIDs) {
    perform([&](SQLiteDatabase& db) {
        SQLiteTransaction::run(db, [&] {
            SearchRowWriter writer(db);
            for (const auto& itemID : itemIDs) {
                if (const auto existing = indexedDocument(db, itemID)) removeDocument(db, writer, *existing);
            }
        });
        scheduleTidy();
        forgetAppIdentifiers();
    });
}

void SQLiteClipboardSearchIndexStore::updateAccess(const std::string& itemID, Date sortAt,
                                                   std::optional<Date> lastAccessedAt,
                                                   std::int64_t accessCount) {
    perform([&](SQLiteDatabase& db) {
        SQLiteTransaction::run(db, [&] {
            const auto existing = indexedDocument(db, itemID);
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
            // A new sort time is a new place in the order: the rows move to the rank of that place.
            if (!existing || (existing->rank && existing->sortAt == sortAt.timeIntervalSince1970)) return;
            SearchRowWriter writer(db);
            if (existing->rank) writer.remove(*existing->rank, existing->texts);
            clearRank(db, existing->docID);
            placeDocument(db, writer, existing->docID, sortAt.timeIntervalSince1970, existing->texts);
        });
        scheduleTidy();
    });
}

ClipboardSearchIndexStats SQLiteClipboardSearchIndexStore::stats() {
    return perform([](SQLiteDatabase& db) { return readStats(db); });
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

ClipboardSearchPage SQLiteClipboardSearchIndexStore::search(const ClipboardSearchQueryText& query,
                                                            const std::vector<ClipboardSearchFilter>& filters,
                                                            std::int64_t limit, std::int64_t offset) {
    if (limit < 1) return {};
    offset = std::max<std::int64_t>(offset, 0);
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
