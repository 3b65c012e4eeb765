#pragma once

// The tables of the search index and how an older file is brought to them: the documents table, the rank
// table, the gram signatures, the four full-text tables keyed by rank with their vocabularies, and the
// key/value table; the tables of the earlier layout are dropped and the columns older files lack are added.
// The file's user version says in which form the search tables' texts were made. Used by the index file when
// it opens and by the index writer; on the store's write connection, not thread-safe.

namespace quorvane {

class SQLiteDatabase;

class ClipboardSearchIndexSchema {
public:
    // The full-text tables, each keyed by rank.
    static constexpr const char* kSearchTables[] = {"search_words", "search_trigrams", "search_bigrams",
                                                    "search_heads"};

    // Creates the tables and indexes, dropping those of the earlier layout and adding the columns older
    // files lack. Changes nothing in a file that has them all.
    static void create(SQLiteDatabase& db);
    // Segments at which FTS5 merges inside a write; 0 leaves all merging to explicit 'merge' commands.
    static void setAutomerge(SQLiteDatabase& db, int segments);
    // Whether the search tables of the file were made from texts as this build stores them; a file whose
    // texts may still hold NULs or invisible characters (an earlier form) is refilled by
    // ClipboardSearchIndexWriter::reindexAll().
    static bool holdsCurrentTexts(SQLiteDatabase& db);
    static void markCurrentTexts(SQLiteDatabase& db);

private:
    // Adds the columns older files lack and fills them where they are NULL.
    static void migrateSchema(SQLiteDatabase& db);
};

}  // namespace quorvane
