#include "searchindex/ClipboardSearchIndexSchema.h"

#include <set>
#include <string>
#include <utility>

#include "sqlite/SQLiteDatabase.h"

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
// Each ranked document's gram signature (ClipboardSearchGramSignature), so a search can rule a candidate out
// without reading its row.
constexpr const char* kCreateSignatures =
    "CREATE TABLE IF NOT EXISTS document_grams (\n"
    "    rank INTEGER PRIMARY KEY,\n"
    "    signature BLOB NOT NULL\n"
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

// How the search tables are made, kept as the file's user version: 1 since a NUL counts as a blank, 2 since
// every ranked document has a gram signature, 3 since invisible characters are dropped from the texts. A
// removal hands the tables the stored texts, so tables made from texts of an earlier form are refilled before
// any removal reads them; so are tables without signatures.
constexpr int kTextForm = 3;

// Columns that older files lack, in the order they are added.
constexpr std::pair<const char*, const char*> kAddedColumns[] = {
    {"classification", "ALTER TABLE documents ADD COLUMN classification TEXT;"},
    {"sort_at", "ALTER TABLE documents ADD COLUMN sort_at REAL;"},
    {"last_accessed_at", "ALTER TABLE documents ADD COLUMN last_accessed_at REAL;"},
    {"access_count", "ALTER TABLE documents ADD COLUMN access_count INTEGER DEFAULT 0;"},
};

}  // namespace

void ClipboardSearchIndexSchema::create(SQLiteDatabase& db) {
    db.execute(kCreateDocuments);
    for (const char* sql : kDropEarlierLayout) db.execute(sql);
    db.execute(kCreateRanks);
    db.execute(kCreateSignatures);
    for (const char* sql : kCreateSearchTables) db.execute(sql);
    db.execute(kCreateMeta);
    migrateSchema(db);
    for (const char* sql : kCreateIndexes) db.execute(sql);
}

void ClipboardSearchIndexSchema::migrateSchema(SQLiteDatabase& db) {
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

// FTS5 merges segments inside the write that tips a level over, which takes tens of milliseconds on a large
// index; the store's writes leave them to its tidying, a few pages at a time between writes. A bulk fill
// merges as it goes.
void ClipboardSearchIndexSchema::setAutomerge(SQLiteDatabase& db, int segments) {
    for (const char* table : kSearchTables) {
        db.execute(std::string("INSERT INTO ") + table + " (" + table + ", rank) VALUES ('automerge', " +
                   std::to_string(segments) + ");");
    }
}

bool ClipboardSearchIndexSchema::holdsCurrentTexts(SQLiteDatabase& db) {
    auto statement = db.prepare("PRAGMA user_version;");
    return statement.step() && statement.columnInt64(0) >= kTextForm;
}

void ClipboardSearchIndexSchema::markCurrentTexts(SQLiteDatabase& db) {
    db.execute("PRAGMA user_version = " + std::to_string(kTextForm) + ";");
}

}  // namespace quorvane
