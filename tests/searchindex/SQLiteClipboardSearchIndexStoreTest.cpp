#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <limits>
#include <random>
#include <thread>

#include "classification/ClipboardClassificationSettings.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "searchindex/ClipboardSearchGramSignature.h"
#include "searchindex/ClipboardSearchTokenizers.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"
#include "searchindex/SearchStrings.h"
#include "sqlite/SQLiteDatabase.h"
#include "support/LogCapture.h"
#include "support/PagedIDs.h"
#include "support/RawSqlite.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

ClipboardSearchIndexDocument document(const std::string& id, const std::string& text,
                                      double createdAt = 100) {
    ClipboardSearchIndexDocument doc;
    doc.id = id;
    doc.preview = text.substr(0, 20);
    doc.createdAt = Date(createdAt);
    doc.sortAt = Date(createdAt);
    doc.normalizedText = text;
    for (char c : text) {
        if (c != ' ') doc.compactText += c;
    }
    return doc;
}

class SQLiteClipboardSearchIndexStoreTest : public ::testing::Test {
protected:
    std::unique_ptr<SQLiteClipboardSearchIndexStore> open() {
        return std::make_unique<SQLiteClipboardSearchIndexStore>(path_, defaults_, clock_);
    }

    // A second connection on the same file, as another reader of the format would open it.
    std::vector<std::string> column(const std::string& sql) {
        SQLiteDatabase db(path_);
        ClipboardSearchTokenizers::registerWith(db.handle());
        auto statement = db.prepare(sql);
        std::vector<std::string> values;
        while (statement.step()) values.push_back(statement.columnText(0).value_or("NULL"));
        return values;
    }
    std::int64_t number(const std::string& sql) {
        SQLiteDatabase db(path_);
        ClipboardSearchTokenizers::registerWith(db.handle());
        auto statement = db.prepare(sql);
        EXPECT_TRUE(statement.step()) << sql;
        return statement.columnInt64(0);
    }
    std::int64_t docID(const std::string& itemID) {
        return number("SELECT doc_id FROM documents WHERE item_id = '" + itemID + "';");
    }
    std::int64_t orphanCount() {
        std::string sql =
            "SELECT (SELECT COUNT(*) FROM document_ranks WHERE doc_id NOT IN (SELECT doc_id FROM documents))"
            " + (SELECT COUNT(*) FROM documents WHERE doc_id NOT IN (SELECT doc_id FROM document_ranks))";
        for (const char* table : {"search_words", "search_trigrams", "search_bigrams", "search_heads"}) {
            sql += std::string(" + (SELECT COUNT(*) FROM ") + table +
                   " WHERE rowid NOT IN (SELECT rank FROM document_ranks))";
        }
        sql += " + (SELECT COUNT(*) FROM document_grams WHERE rank NOT IN (SELECT rank FROM document_ranks))";
        return number(sql + ";");
    }
    // Ranked documents whose gram signature is missing or not the one their stored texts give.
    std::int64_t staleSignatures() {
        SQLiteDatabase db(path_);
        auto statement = db.prepare(
            "SELECT g.signature, d.normalized_text, d.compact_text, d.pinyin_spaced, d.pinyin_compact\n"
            "FROM document_ranks r JOIN documents d ON d.doc_id = r.doc_id\n"
            "LEFT JOIN document_grams g ON g.rank = r.rank;");
        std::int64_t stale = 0;
        while (statement.step()) {
            const auto stored = statement.columnBlob(0);
            const auto expected = ClipboardSearchGramSignature::of(
                {statement.columnText(1).value_or(""), statement.columnText(2).value_or(""),
                 statement.columnText(3).value_or(""), statement.columnText(4).value_or("")});
            if (!stored || std::string(stored->begin(), stored->end()) != expected) ++stale;
        }
        return stale;
    }
    // Documents of the search table `table` matching `match`.
    std::int64_t matches(const std::string& table, const std::string& match) {
        return number("SELECT COUNT(*) FROM " + table + " WHERE " + table + " MATCH '" + match + "';");
    }
    static std::int64_t gramsOf(const std::vector<std::string>& compactTexts) {
        std::int64_t total = 0;
        for (const auto& text : compactTexts) {
            total += static_cast<std::int64_t>(search_strings::makeGrams(text, {2, 3}).size());
        }
        return total;
    }

    testing::TemporaryDirectory directory_;
    std::filesystem::path path_ = directory_ / "nested" / "clipboard_search.sqlite";
    std::shared_ptr<InMemoryUserDefaults> defaults_ = std::make_shared<InMemoryUserDefaults>();
    std::shared_ptr<FakeClock> clock_ = std::make_shared<FakeClock>(Date(1'700'000'000.25));
};

TEST_F(SQLiteClipboardSearchIndexStoreTest,
       FreshFileHasExactlyTheTablesAndIndexesAndReopeningChangesNothing) {
    open();
    const std::vector<std::string> tables = {
        "document_grams",      "document_ranks",    "documents",    "meta",
        "search_bigram_terms", "search_bigrams",    "search_heads", "search_trigram_terms",
        "search_trigrams",     "search_word_terms", "search_words"};
    EXPECT_EQ(column("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
                     "AND name NOT GLOB '*_data' AND name NOT GLOB '*_idx' AND name NOT GLOB '*_config' "
                     "AND name NOT GLOB '*_docsize' AND name NOT GLOB '*_content' ORDER BY name;"),
              tables);
    const std::vector<std::string> indexes = {
        "idx_documents_bundle_identifier_created_at_doc_id",
        "idx_documents_bundle_identifier_sort_at_doc_id",
        "idx_documents_classification_created_at_doc_id",
        "idx_documents_classification_sort_at_doc_id",
        "idx_documents_created_at_doc_id",
        "idx_documents_sort_at_doc_id",
    };
    EXPECT_EQ(
        column("SELECT name FROM sqlite_master WHERE type = 'index' AND name LIKE 'idx_%' ORDER BY name;"),
        indexes);
    const std::vector<std::string> columns = {
        "doc_id",           "item_id",      "preview",       "created_at",        "sort_at",
        "last_accessed_at", "access_count", "content_type",  "bundle_identifier", "classification",
        "normalized_text",  "compact_text", "pinyin_spaced", "pinyin_compact",    "is_truncated"};
    EXPECT_EQ(column("SELECT name FROM pragma_table_info('documents') ORDER BY cid;"), columns);
    EXPECT_EQ(column("SELECT name FROM pragma_table_info('search_words') ORDER BY cid;"),
              (std::vector<std::string>{"normalized_text", "pinyin_spaced"}));
    EXPECT_EQ(column("PRAGMA journal_mode;"), std::vector<std::string>{"wal"});

    const auto schema = column("SELECT type || name || ifnull(sql, '') FROM sqlite_master ORDER BY name;");
    open();
    EXPECT_EQ(column("SELECT type || name || ifnull(sql, '') FROM sqlite_master ORDER BY name;"), schema);
}

TEST_F(SQLiteClipboardSearchIndexStoreTest, OldLayoutGainsMissingColumnsWithTheirFillRule) {
    std::filesystem::create_directories(path_.parent_path());
    {
        SQLiteDatabase db(path_);
        db.execute(
            "CREATE TABLE documents (doc_id INTEGER PRIMARY KEY AUTOINCREMENT, item_id TEXT NOT NULL UNIQUE, "
            "preview TEXT NOT NULL, created_at REAL NOT NULL, content_type TEXT NOT NULL, "
            "bundle_identifier TEXT, normalized_text TEXT NOT NULL, compact_text TEXT NOT NULL, "
            "pinyin_spaced TEXT NOT NULL, pinyin_compact TEXT NOT NULL, is_truncated INTEGER NOT NULL "
            "DEFAULT 0);");
        db.execute(
            "INSERT INTO documents (item_id, preview, created_at, content_type, normalized_text, "
            "compact_text, pinyin_spaced, pinyin_compact) VALUES ('old', 'p', 42.5, 'text', 'n', 'n', '', "
            "'');");
    }
    auto store = open();
    EXPECT_EQ(
        column("SELECT sort_at || '|' || access_count || '|' || ifnull(last_accessed_at, 'NULL') || '|' || "
               "ifnull(classification, 'NULL') FROM documents;"),
        std::vector<std::string>{"42.5|0|NULL|NULL"});
    // The migrated file takes new writes like a fresh one.
    store->upsert(document("new", "fresh text", 50));
    store->updateAccess("old", Date(60), Date(60), 3);
    EXPECT_EQ(store->stats().documentCount, 2);
    EXPECT_EQ(column("SELECT sort_at || '|' || access_count FROM documents WHERE item_id = 'old';"),
              std::vector<std::string>{"60.0|3"});
}

TEST_F(SQLiteClipboardSearchIndexStoreTest, EarlierLayoutIsReindexedFromItsDocumentsOnOpen) {
    std::filesystem::create_directories(path_.parent_path());
    {
        auto store = open();
        store->upsert(document("kept", "kept words here", 10));
        store->upsert(document("newer", "newer words", 20));
    }
    {
        // The earlier layout: its own full-text table and a gram table, no ranks and no search tables.
        SQLiteDatabase db(path_);
        ClipboardSearchTokenizers::registerWith(db.handle());
        for (const char* table :
             {"document_ranks", "search_words", "search_trigrams", "search_bigrams", "search_heads",
              "search_word_terms", "search_trigram_terms", "search_bigram_terms"}) {
            db.execute(std::string("DROP TABLE ") + table + ";");
        }
        db.execute("CREATE VIRTUAL TABLE fts_terms USING fts5(normalized_text, pinyin_spaced);");
        db.execute(
            "CREATE TABLE compact_grams (gram TEXT NOT NULL, doc_id INTEGER NOT NULL, "
            "PRIMARY KEY (gram, doc_id)) WITHOUT ROWID;");
        db.execute("CREATE INDEX idx_compact_grams_doc_id ON compact_grams(doc_id);");
        db.execute("INSERT INTO compact_grams VALUES ('ke', 1);");
    }
    testing::LogCapture log;
    auto store = open();
    store->syncVoid([] {});  // the reindexing runs on the write queue
    EXPECT_TRUE(log.contains("INFO", "reindexing it in the background"));
    EXPECT_EQ(number("SELECT COUNT(*) FROM sqlite_master WHERE name IN ('compact_grams', 'fts_terms', "
                     "'idx_compact_grams_doc_id');"),
              0);
    EXPECT_EQ(orphanCount(), 0);
    EXPECT_EQ(store->search(ClipboardSearchQueryText("words"), {}, 10, 0).items.size(), 2u);
    EXPECT_EQ(store->search(ClipboardSearchQueryText("ept"), {}, 10, 0).items.at(0).id, "kept");
    EXPECT_EQ(store->fetchRecent(1, 0).items.at(0).id, "newer");
}

TEST_F(SQLiteClipboardSearchIndexStoreTest, FileWithoutGramSignaturesIsReindexedOnceAndFindsWordsSideBySide) {
    std::filesystem::create_directories(path_.parent_path());
    {
        auto store = open();
        store->upsert(document("pair", "notes about the server timeout today", 10));
        store->upsert(document("glued", "servertimeout in a url, timeout again", 20));
        store->upsert(document("apart", "server down, timeout later", 30));
        store->upsert(document("inside", "observer timeouts near the server", 40));
    }
    {
        // The previous layout: the same tables without signatures.
        SQLiteDatabase db(path_);
        db.execute("DROP TABLE document_grams;");
        db.execute("PRAGMA user_version = 1;");
    }
    testing::LogCapture log;
    auto store = open();
    store->syncVoid([] {});  // the reindexing runs on the write queue
    EXPECT_EQ(log.count("Clipboard search index reindexed"), 1u);
    EXPECT_EQ(orphanCount(), 0);
    EXPECT_EQ(staleSignatures(), 0);
    // The row starting with the words run together first, then those holding them side by side (also inside
    // longer words), newest first, then the row that only holds both somewhere.
    std::vector<std::string> ids;
    for (const auto& item : store->search(ClipboardSearchQueryText("server timeout"), {}, 10, 0).items) {
        ids.push_back(item.id);
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"glued", "inside", "pair", "apart"}));
    store.reset();
    store = open();
    store->syncVoid([] {});
    EXPECT_EQ(log.count("Clipboard search index reindexed"), 1u);
}

TEST_F(SQLiteClipboardSearchIndexStoreTest, RanksFollowRecencyThroughInsertsBetweenNeighboursAndAccess) {
    auto store = open();
    store->upsert(document("top", "word top", 200));
    store->upsert(document("bottom", "word bottom", 150));
    // Each entry lands between the previous one and "bottom", halving the room there until it runs out and
    // the older entries are spread apart.
    for (int i = 1; i <= 40; ++i) {
        store->upsert(document("mid" + std::to_string(i), "word mid" + std::to_string(i),
                               150 + 50.0 / static_cast<double>(std::int64_t{1} << i)));
    }
    store->upsert(document("tie", "word tie", 200));
    store->updateAccess("bottom", Date(300), Date(300), 1);
    const std::string byRank =
        "SELECT d.item_id FROM documents d JOIN document_ranks r ON r.doc_id = d.doc_id ORDER BY r.rank;";
    const std::string byRecency = "SELECT item_id FROM documents ORDER BY sort_at DESC, doc_id DESC;";
    EXPECT_EQ(column(byRank), column(byRecency));
    EXPECT_EQ(column(byRank).front(), "bottom");
    EXPECT_EQ(column(byRank).at(1), "tie");
    EXPECT_EQ(orphanCount(), 0);
    EXPECT_EQ(staleSignatures(), 0);
    for (int i = 1; i <= 40; ++i) {
        const auto page = store->search(ClipboardSearchQueryText("mid" + std::to_string(i)), {}, 50, 0);
        ASSERT_FALSE(page.items.empty()) << i;
        EXPECT_EQ(page.items.front().id, "mid" + std::to_string(i));
    }
    EXPECT_EQ(store->search(ClipboardSearchQueryText("word"), {}, 100, 0).items.size(), 43u);
}

// As when a start mends an index left behind: many entries, in the order of their random ids, land between
// neighbours only a few ranks apart, above the newest entry and between two old ones.
TEST_F(SQLiteClipboardSearchIndexStoreTest, EntriesMendedInAnyOrderBetweenCloseNeighboursKeepOrderAndRows) {
    auto store = open();
    const auto word = [](int i) {
        return std::string{'q', static_cast<char>('a' + i / 676), static_cast<char>('a' + i / 26 % 26),
                           static_cast<char>('a' + i % 26)};
    };
    for (int i = 0; i < 20; ++i) store->upsert(document(word(i), "old " + word(i), 100 + i));
    std::vector<std::pair<int, double>> mended;
    for (int i = 0; i < 300; ++i) mended.emplace_back(20 + i, 119 + (i + 1) / 301.0);
    for (int i = 0; i < 100; ++i) mended.emplace_back(320 + i, 105 + (i + 1) / 101.0);
    std::shuffle(mended.begin(), mended.end(), std::mt19937(7));
    for (const auto& [i, at] : mended) store->upsert(document(word(i), "mended " + word(i), at));

    const std::string byRank =
        "SELECT d.item_id FROM documents d JOIN document_ranks r ON r.doc_id = d.doc_id ORDER BY r.rank;";
    const std::string byRecency = "SELECT item_id FROM documents ORDER BY sort_at DESC, doc_id DESC;";
    EXPECT_EQ(column(byRank), column(byRecency));
    EXPECT_EQ(column(byRank).size(), 420u);
    EXPECT_EQ(orphanCount(), 0);
    EXPECT_EQ(staleSignatures(), 0);
    for (int i = 0; i < 420; i += 7) {
        const auto page = store->search(ClipboardSearchQueryText(word(i)), {}, 5, 0);
        ASSERT_EQ(page.items.size(), 1u) << word(i);
        EXPECT_EQ(page.items.front().id, word(i));
    }
    EXPECT_EQ(store->search(ClipboardSearchQueryText("mended"), {}, 500, 0).items.size(), 400u);
}

TEST_F(SQLiteClipboardSearchIndexStoreTest, UpsertOfAnIndexedEntryGivesLargerDocIDAndLeavesNoOrphans) {
    auto store = open();
    store->upsert(document("a", "alpha words"));
    store->upsert(document("b", "beta words"));
    const auto firstA = docID("a");
    const auto b = docID("b");

    store->upsert(document("a", "gamma"));
    EXPECT_GT(docID("a"), b);
    EXPECT_GT(docID("a"), firstA);
    EXPECT_EQ(orphanCount(), 0);
    EXPECT_EQ(matches("search_words", "alpha"), 0);
    EXPECT_EQ(matches("search_words", "gamma"), 1);
    EXPECT_EQ(matches("search_trigrams", "\"alp\""), 0);
    EXPECT_EQ(matches("search_trigrams", "\"amm\""), 1);
    EXPECT_EQ(matches("search_bigrams", "\"mm\""), 1);
    EXPECT_EQ(matches("search_heads", "\"gam\""), 1);
    EXPECT_EQ(matches("search_heads", "\"alp\""), 0);
    const auto stats = store->stats();
    EXPECT_EQ(stats.documentCount, 2);
    EXPECT_EQ(stats.gramCount, gramsOf({"gamma", "betawords"}));
    EXPECT_EQ(stats.lastRebuildAt, std::nullopt);

    store->deleteDocuments({"a", "unknown", "a"});
    store->deleteDocuments({});
    EXPECT_EQ(column("SELECT item_id FROM documents;"), std::vector<std::string>{"b"});
    EXPECT_EQ(orphanCount(), 0);
}

TEST_F(SQLiteClipboardSearchIndexStoreTest, StoredRowCarriesEveryFieldAndAccessUpdatesClampTheCount) {
    auto store = open();
    auto doc = document("img", "scan text", 10);
    doc.contentType = ClipboardContentType::image;
    doc.bundleIdentifier = "org.gimp.GIMP";
    doc.classification = "JSON";
    doc.lastAccessedAt = Date(5);
    doc.accessCount = 7;
    doc.pinyinSpaced = "bei jing";
    doc.pinyinCompact = "beijing";
    doc.isTruncated = true;
    store->upsert(doc);
    EXPECT_EQ(
        column("SELECT preview || '|' || created_at || '|' || sort_at || '|' || last_accessed_at || '|' || "
               "access_count || '|' || content_type || '|' || bundle_identifier || '|' || classification "
               "|| '|' || pinyin_spaced || '|' || pinyin_compact || '|' || is_truncated FROM documents;"),
        std::vector<std::string>{"scan text|10.0|10.0|5.0|7|image|org.gimp.GIMP|JSON|bei jing|beijing|1"});
    // Pinyin grams are indexed beside the compact text's.
    EXPECT_EQ(matches("search_bigrams", "\"ij\" AND \"sc\""), 1);
    EXPECT_EQ(matches("search_trigrams", "\"eij\""), 1);
    EXPECT_EQ(matches("search_words", "jing"), 1);

    store->updateAccess("img", Date(20), std::nullopt, -4);
    store->updateAccess("missing", Date(20), Date(20), 1);
    EXPECT_EQ(column("SELECT sort_at || '|' || ifnull(last_accessed_at, 'NULL') || '|' || access_count "
                     "FROM documents;"),
              std::vector<std::string>{"20.0|NULL|0"});
}

TEST_F(SQLiteClipboardSearchIndexStoreTest, TextWithNulIsStoredWholeAndSearchableAfterTheNul) {
    auto store = open();
    const std::string text("before\0after", 12);
    store->upsert(document("nul", text));
    EXPECT_EQ(number("SELECT length(CAST(normalized_text AS BLOB)) FROM documents;"), 12);
    EXPECT_EQ(matches("search_words", "after"), 1);
    EXPECT_EQ(matches("search_trigrams", "\"aft\""), 1);
}

TEST_F(SQLiteClipboardSearchIndexStoreTest, RebuildReplacesEverythingAndRecordsItsTime) {
    auto store = open();
    store->upsert(document("old1", "old text one"));
    store->upsert(document("old2", "old text two"));

    const auto stats =
        store->rebuild({document("n1", "new one"), document("n2", "new two"), document("n3", "x")});
    EXPECT_EQ(column("SELECT item_id FROM documents ORDER BY item_id;"),
              (std::vector<std::string>{"n1", "n2", "n3"}));
    EXPECT_EQ(orphanCount(), 0);
    EXPECT_EQ(matches("search_words", "old"), 0);
    EXPECT_EQ(stats.documentCount, 3);
    EXPECT_EQ(stats.gramCount, gramsOf({"newone", "newtwo", "x"}));
    EXPECT_EQ(stats.lastRebuildAt, Date(1'700'000'000.25));
    EXPECT_EQ(column("SELECT value FROM meta WHERE key = 'last_rebuild_at';"),
              std::vector<std::string>{"1700000000.25"});
    EXPECT_EQ(store->stats(), stats);

    // A duplicate identifier keeps the first of its documents; the other is left out, not the whole rebuild.
    clock_->advance(60);
    EXPECT_EQ(store->rebuild({document("d", "one"), document("d", "two")}).documentCount, 1);
    EXPECT_EQ(column("SELECT normalized_text FROM documents;"), std::vector<std::string>{"one"});

    // An empty rebuild clears the index and still records its time.
    const auto cleared = store->rebuild({});
    EXPECT_EQ(cleared, (ClipboardSearchIndexStats{0, 0, Date(1'700'000'060.25)}));
}

TEST_F(SQLiteClipboardSearchIndexStoreTest, EmptinessAndTheFillStateDecideWhatReadsAnswer) {
    auto store = open();
    EXPECT_TRUE(store->isEmpty());
    store->upsert(document("a", "alpha"));
    EXPECT_FALSE(store->isEmpty());

    // While the history fills the index, reads step aside with their own error; writes go on.
    store->setBeingFilled(true);
    EXPECT_THROW(store->fetchRecent(10, 0), ClipboardSearchIndexBuildingError);
    EXPECT_THROW(store->search(ClipboardSearchQueryText("alpha"), {}, 10, 0),
                 ClipboardSearchIndexBuildingError);
    store->rebuild({document("b", "beta")});
    store->setBeingFilled(false);
    const auto page = store->fetchRecent(10, 0);
    ASSERT_EQ(page.items.size(), 1u);
    EXPECT_EQ(page.items[0].id, "b");
    store->deleteDocuments({"b"});
    EXPECT_TRUE(store->isEmpty());
}

TEST_F(SQLiteClipboardSearchIndexStoreTest, ALargeRebuildIsCopiedBackIntoTheFileAndItsLogShrinks) {
    auto store = open();
    std::mt19937 random(3);
    std::vector<ClipboardSearchIndexDocument> documents;
    for (int i = 0; i < 6000; ++i) {
        std::string text;
        while (text.size() < 600) text += std::to_string(random()) + " ";
        documents.push_back(document("entry-" + std::to_string(i), text, 1000 + i));
    }
    store->rebuild(documents);
    const std::filesystem::path log = path_.string() + "-wal";
    ASSERT_GT(std::filesystem::file_size(log), SQLiteClipboardSearchIndexStore::kLogSizeLimitBytes);

    // The log is copied back beside the writes; the next write after that starts the log again, cut short.
    bool shrunk = false;
    int written = 0;
    while (written < 200 && !shrunk) {
        store->upsert(document("later-" + std::to_string(written), "a later entry", 10'000 + written));
        ++written;
        shrunk = std::filesystem::file_size(log) <=
                 static_cast<std::uintmax_t>(SQLiteClipboardSearchIndexStore::kLogSizeLimitBytes);
        if (!shrunk) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(shrunk) << std::filesystem::file_size(log);
    EXPECT_EQ(store->stats().documentCount, 6000 + written);

    // Closed, the store folds its log back in and leaves no log file behind.
    store.reset();
    EXPECT_FALSE(std::filesystem::exists(log));
    EXPECT_EQ(open()->stats().documentCount, 6000 + written);
}

TEST_F(SQLiteClipboardSearchIndexStoreTest, RebuildTimeTextReadsBackExactly) {
    using Store = SQLiteClipboardSearchIndexStore;
    for (double value : {1'700'000'000.0, 0.1, 1'765'432'109.123456, -12.5, 0.0}) {
        const auto text = Store::formatMetaDate(value);
        EXPECT_NE(text.find('.'), std::string::npos) << text;
        EXPECT_EQ(Store::parseMetaDate(text), value) << text;
    }
    EXPECT_EQ(Store::formatMetaDate(1'700'000'000.0), "1700000000.0");
    EXPECT_EQ(Store::parseMetaDate(""), std::nullopt);
    EXPECT_EQ(Store::parseMetaDate(" 12.0"), std::nullopt);
    EXPECT_EQ(Store::parseMetaDate("\t12.0"), std::nullopt);
    EXPECT_EQ(Store::parseMetaDate("12.0x"), std::nullopt);
    EXPECT_EQ(Store::parseMetaDate("soon"), std::nullopt);
}

TEST_F(SQLiteClipboardSearchIndexStoreTest, UnreadableRebuildTimeReadsAsNone) {
    auto store = open();
    {
        SQLiteDatabase db(path_);
        db.execute("INSERT INTO meta (key, value) VALUES ('last_rebuild_at', 'yesterday');");
    }
    EXPECT_EQ(store->stats().lastRebuildAt, std::nullopt);
}

TEST_F(SQLiteClipboardSearchIndexStoreTest, FileThatIsNoDatabaseIsSetAsideAndRecreatedEmpty) {
    std::filesystem::create_directories(path_.parent_path());
    const std::string garbage(10000, 'z');
    std::ofstream(path_, std::ios::binary) << garbage;

    testing::LogCapture log;
    auto store = open();
    EXPECT_EQ(store->stats(), ClipboardSearchIndexStats{});
    store->upsert(document("a", "works again"));
    EXPECT_EQ(store->stats().documentCount, 1);
    EXPECT_TRUE(log.contains("ERROR", "Failed to use clipboard search index"))
        << ::testing::PrintToString(log.lines());

    std::vector<std::filesystem::path> aside;
    for (const auto& entry : std::filesystem::directory_iterator(path_.parent_path())) {
        if (entry.path().filename().string().starts_with("clipboard_search.sqlite.corrupt-")) {
            aside.push_back(entry.path());
        }
    }
    ASSERT_EQ(aside.size(), 1u);
    std::ifstream kept(aside[0], std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), garbage);
}

TEST_F(SQLiteClipboardSearchIndexStoreTest, DamagedPagesFoundLaterAreSetAsideAndTheIndexStartsEmpty) {
    {
        auto store = open();
        std::vector<ClipboardSearchIndexDocument> documents;
        for (int i = 0; i < 300; ++i)
            documents.push_back(document("id" + std::to_string(i), "text number " + std::to_string(i)));
        store->rebuild(documents);
    }
    {
        // Keep the first page (header and schema), scribble over the rest.
        std::fstream file(path_, std::ios::binary | std::ios::in | std::ios::out);
        file.seekg(0, std::ios::end);
        const auto size = static_cast<std::size_t>(file.tellg());
        ASSERT_GT(size, 8192u);
        file.seekp(4096);
        const std::string garbage(size - 4096, '\x5a');
        file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    testing::LogCapture log;
    auto store = open();
    // Whether the damage shows at open or at the first read, the index ends up empty and usable, and the
    // damaged file is kept beside it.
    try {
        store->stats();
    } catch (const SQLiteClipboardSearchIndexStoreError&) {
    }
    EXPECT_EQ(store->stats().documentCount, 0);
    store->upsert(document("a", "after the damage"));
    EXPECT_EQ(store->stats().documentCount, 1);
    EXPECT_TRUE(log.contains("ERROR", "moved it to"));
    int asideCount = 0;
    for (const auto& entry : std::filesystem::directory_iterator(path_.parent_path())) {
        asideCount += entry.path().filename().string().find(".corrupt-") != std::string::npos;
    }
    EXPECT_GE(asideCount, 1);
}

TEST_F(SQLiteClipboardSearchIndexStoreTest, EveryReplacementOfADamagedFileIsReportedToTheRecoveryHandler) {
    std::vector<std::string> ids;
    {
        auto store = open();
        std::vector<ClipboardSearchIndexDocument> documents;
        for (int i = 0; i < 300; ++i) {
            ids.push_back("id" + std::to_string(i));
            documents.push_back(document(ids.back(), "text number " + std::to_string(i)));
        }
        store->rebuild(documents);
        std::sort(ids.begin(), ids.end());
        EXPECT_EQ(testing::allPagedIDs([&](const std::optional<std::string>& after, std::size_t most) {
                      return store->documentItemIDsAfter(after, most);
                  }),
                  ids);
    }
    // A damaged data page, not the header: the open succeeds and the first read finds it.
    testing::damageFirstPageOf(path_, "search_words_data");
    testing::damageFirstPageOf(path_, "search_trigrams_data");
    auto store = open();
    std::atomic<int> reports = 0;
    store->setRecoveryHandler([&] { ++reports; });
    EXPECT_EQ(reports, 0);
    EXPECT_THROW(store->stats(), SQLiteClipboardSearchIndexStoreError);
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(store->documentItemIDsAfter(std::nullopt, 10).empty());
    store->setRecoveryHandler(nullptr);

    // Damage found while opening, before anyone listens, is reported as soon as someone does.
    store.reset();
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << std::string(10000, 'z');
    store = open();
    store->setRecoveryHandler([&] { ++reports; });
    // Set on the store's queue, without waiting for it.
    store->syncVoid([] {});
    EXPECT_EQ(reports, 2);
}

TEST_F(SQLiteClipboardSearchIndexStoreTest, OpenFailuresThrowTypedErrors) {
    // The parent "directory" is a file: the directory cannot be created.
    std::ofstream(directory_ / "file") << "x";
    EXPECT_THROW(
        SQLiteClipboardSearchIndexStore(directory_ / "file" / "clipboard_search.sqlite", defaults_, clock_),
        std::filesystem::filesystem_error);
    // The database path is a directory: SQLite cannot open it, and nothing is set aside.
    std::filesystem::create_directories(directory_ / "dir.sqlite");
    try {
        SQLiteClipboardSearchIndexStore store(directory_ / "dir.sqlite", defaults_, clock_);
        FAIL() << "a directory opened as an index";
    } catch (const SQLiteClipboardSearchIndexStoreError& error) {
        EXPECT_EQ(error.kind(), SQLiteClipboardSearchIndexStoreError::Kind::openDatabase);
        EXPECT_EQ(std::string(error.what()).rfind("Failed to open clipboard search database: ", 0), 0u);
    }
    EXPECT_TRUE(std::filesystem::is_directory(directory_ / "dir.sqlite"));
}

TEST_F(SQLiteClipboardSearchIndexStoreTest, WritesFromManyThreadsAreSerialised) {
    auto store = open();
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&store, t] {
            for (int i = 0; i < 25; ++i) {
                store->upsert(document("t" + std::to_string(t) + "-" + std::to_string(i % 10),
                                       "text " + std::to_string(i)));
            }
        });
    }
    for (auto& writer : writers) writer.join();
    EXPECT_EQ(store->stats().documentCount, 40);
    EXPECT_EQ(orphanCount(), 0);
    // A caller can group operations on the queue.
    const auto count = store->syncReturning([&] {
        store->deleteDocuments({"t0-0"});
        return store->stats().documentCount;
    });
    EXPECT_EQ(count, 39);
}

// Read side: strategies, ranking, filters and paging.

ClipboardSearchIndexDocument entry(const std::string& id, const std::string& text, double createdAt,
                                   ClipboardContentType type = ClipboardContentType::text,
                                   std::optional<std::string> classification = std::nullopt,
                                   std::optional<std::string> bundleIdentifier = std::nullopt) {
    ClipboardSearchSourceDocument source;
    source.id = id;
    source.preview = text;
    source.searchableText = text;
    source.createdAt = Date(createdAt);
    source.contentType = type;
    source.classification = std::move(classification);
    source.bundleIdentifier = std::move(bundleIdentifier);
    return ClipboardSearchIndexDocument::make(source, ClipboardSearchIndexConfiguration{8192, 4096, true});
}

std::vector<std::string> ids(const ClipboardSearchPage& page) {
    std::vector<std::string> result;
    for (const auto& item : page.items) result.push_back(item.id);
    return result;
}

ClipboardSearchFilter filter(ClipboardSearchFilterKind kind, std::string value) {
    return {kind, value, false, std::string(rawValue(kind)) + ":" + value};
}

using Ids = std::vector<std::string>;

class SQLiteClipboardSearchIndexStoreQueryTest : public SQLiteClipboardSearchIndexStoreTest {
protected:
    ClipboardSearchPage find(const std::string& text, const std::vector<ClipboardSearchFilter>& filters = {},
                             std::int64_t limit = 50, std::int64_t offset = 0) {
        return store_->search(ClipboardSearchQueryText(text), filters, limit, offset);
    }

    std::unique_ptr<SQLiteClipboardSearchIndexStore> store_ = open();
};

TEST_F(SQLiteClipboardSearchIndexStoreQueryTest, RecentPageIsNewestUseFirstWithHasMoreFromOneExtraRow) {
    EXPECT_EQ(store_->fetchRecent(0, 0), ClipboardSearchPage{});
    EXPECT_EQ(store_->fetchRecent(-3, 0), ClipboardSearchPage{});
    std::vector<ClipboardSearchIndexDocument> docs;
    for (int i = 0; i < 10; ++i) docs.push_back(entry("e" + std::to_string(i), "entry", 100 + i));
    store_->rebuild(docs);
    EXPECT_FALSE(store_->fetchRecent(10, 0).hasMore);
    EXPECT_EQ(store_->fetchRecent(10, 0).items.size(), 10u);
    store_->upsert(entry("e10", "entry", 50));
    EXPECT_TRUE(store_->fetchRecent(10, 0).hasMore);
    // A use moves an entry to the front; a negative offset reads from the start.
    store_->updateAccess("e10", Date(500), Date(500), 1);
    const auto page = store_->fetchRecent(3, -4);
    EXPECT_EQ(ids(page), (Ids{"e10", "e9", "e8"}));
    EXPECT_EQ(page.items[0].accessCount, 1);
    EXPECT_EQ(page.items[0].lastAccessedAt, Date(500));
    EXPECT_EQ(page.items[0].searchText, "entry");
    EXPECT_EQ(ids(store_->fetchRecent(5, 9)), (Ids{"e1", "e0"}));
    EXPECT_FALSE(store_->fetchRecent(5, 9).hasMore);
    EXPECT_EQ(store_->fetchRecent(std::numeric_limits<std::int64_t>::max(), 0).items.size(), 11u);
}

TEST_F(SQLiteClipboardSearchIndexStoreQueryTest, PunctuatedQueryScansSubstringsOnly) {
    store_->upsert(entry("dotted", "xa.by", 1));
    store_->upsert(entry("spaced", "a b", 2));
    store_->upsert(entry("joined", "ab", 3));
    EXPECT_EQ(ids(find("a.b")), Ids{"dotted"});
    EXPECT_EQ(find("   "), ClipboardSearchPage{});
}

TEST_F(SQLiteClipboardSearchIndexStoreQueryTest, HostileFullTextSyntaxNeitherFailsNorMatchesEverything) {
    store_->upsert(entry("plain", "ordinary words here", 1));
    store_->upsert(entry("near", "near the gate", 2));
    store_->upsert(entry("quote", "she said \"hi\" * ok", 3));
    for (const std::string query : {"\"", "'", "*", "NEAR(", "OR", "-", "^", ":",
                                    "\" ' * NEAR( OR - ^ :", "a\"b", "NEAR", "NOT", "AND", "(", "\"hi\""}) {
        ClipboardSearchPage page;
        ASSERT_NO_THROW(page = find(query)) << query;
        EXPECT_LT(page.items.size(), 3u) << query;
        ASSERT_NO_THROW(page = find(query, {filter(ClipboardSearchFilterKind::type, "text")})) << query;
        EXPECT_LT(page.items.size(), 3u) << query;
    }
    EXPECT_EQ(ids(find("OR")), Ids{"plain"});  // the word prefix "or", not the operator
    EXPECT_EQ(ids(find("NEAR")), Ids{"near"});
    EXPECT_EQ(ids(find("\"hi\"")), Ids{"quote"});
}

TEST_F(SQLiteClipboardSearchIndexStoreQueryTest, ShortSingleWordFallsBackToGramsInsideWords) {
    store_->upsert(entry("clip", "clipboard manager", 1));
    store_->upsert(entry("zh", "\u6211\u7684\u526A\u8D34\u677F\u5386\u53F2", 2));
    store_->upsert(entry("other", "nothing relevant", 3));
    EXPECT_EQ(ids(find("ipboa")), Ids{"clip"});       // inside a word: not a full-text prefix
    EXPECT_EQ(ids(find("\u526A\u8D34")), Ids{"zh"});  // a run of ideographs without separators
    EXPECT_EQ(ids(find("jiantie")), Ids{"zh"});       // pinyin grams
    // Two words never consult the grams.
    store_->upsert(entry("inside", "xfooy xbary", 4));
    EXPECT_EQ(find("foo bar"), ClipboardSearchPage{});
}

TEST_F(SQLiteClipboardSearchIndexStoreQueryTest, LongWordUsesGramsOnlyWhenFullTextFindsNothing) {
    store_->upsert(entry("prefix", "abcdefghijklmnop", 1));
    store_->upsert(entry("inner", "zzabcdefghijklmzz", 2));
    EXPECT_EQ(ids(find("abcdefghijkl")), (Ids{"prefix", "inner"}));  // 12 characters: grams join in
    EXPECT_EQ(ids(find("abcdefghijklm")), Ids{"prefix"});            // 13: full-text found some
    store_->deleteDocuments({"prefix"});
    EXPECT_EQ(ids(find("abcdefghijklm")), Ids{"inner"});  // full-text found nothing
}

TEST_F(SQLiteClipboardSearchIndexStoreQueryTest, RankingPutsContainsThenStartsWithThenRecencyThenDocID) {
    store_->upsert(entry("startsOld", "foo bar first", 10));
    store_->upsert(entry("containsNew", "see foo bar later", 30));
    store_->upsert(entry("wordsApart", "bar then foo", 50));
    store_->upsert(entry("containsMid", "also foo bar", 20));
    EXPECT_EQ(ids(find("foo bar")), (Ids{"startsOld", "containsNew", "containsMid", "wordsApart"}));
    // Equal relevance and time: the later indexed entry (larger doc_id) first, also after a re-index.
    store_->upsert(entry("twinA", "twin", 100));
    store_->upsert(entry("twinB", "twin", 100));
    EXPECT_EQ(ids(find("twin")), (Ids{"twinB", "twinA"}));
    store_->upsert(entry("twinA", "twin", 100));
    EXPECT_EQ(ids(find("twin")), (Ids{"twinA", "twinB"}));
}

TEST_F(SQLiteClipboardSearchIndexStoreQueryTest, TwoWordsRankRowsFarDownThatHoldBothWordsAndTheQuery) {
    // "pha bet": the word prefixes pha* and bet*. Rows holding the text without those words ("alpha beta")
    // contain it but are no matches; rows with both words that contain it rank first, wherever they lie
    // behind the newest matches. Asked with the containing matches newest (the walk of the word matches
    // stops early) and with the non-matches newest (it walks on).
    for (const bool matchesFirst : {true, false}) {
        std::vector<ClipboardSearchIndexDocument> docs;
        Ids containing;
        Ids apart;
        for (int i = 0; i < 60; ++i) {
            docs.push_back(entry("apart" + std::to_string(i), "phat words better", 1000 + i));
            apart.insert(apart.begin(), "apart" + std::to_string(i));
        }
        for (int i = 0; i < 12; ++i) {
            docs.push_back(
                entry("holds" + std::to_string(i), "alpha better phat", (matchesFirst ? 500 : 100) + i));
            containing.insert(containing.begin(), "holds" + std::to_string(i));
            docs.push_back(
                entry("noWords" + std::to_string(i), "alpha beta", (matchesFirst ? 100 : 500) + i));
        }
        store_->rebuild(docs);
        Ids expected = containing;
        expected.insert(expected.end(), apart.begin(), apart.begin() + 38);
        const auto first = find("pha bet");
        EXPECT_EQ(ids(first), expected) << matchesFirst;
        EXPECT_TRUE(first.hasMore);
        const auto second = find("pha bet", {}, 50, 50);
        EXPECT_EQ(ids(second), Ids(apart.begin() + 38, apart.end())) << matchesFirst;
        EXPECT_FALSE(second.hasMore);
    }
}

TEST_F(SQLiteClipboardSearchIndexStoreQueryTest, HasMoreIsExactAtLimitAndLimitPlusOneOnEveryPath) {
    for (int i = 0; i < 4; ++i) {
        store_->upsert(entry("w" + std::to_string(i), "word a.b " + std::to_string(i), i,
                             ClipboardContentType::text, "JSON"));
    }
    const std::vector<ClipboardSearchFilter> json = {filter(ClipboardSearchFilterKind::type, "json")};
    for (const auto& [text, filters] :
         std::vector<std::pair<std::string, std::vector<ClipboardSearchFilter>>>{
             {"word", {}}, {"a.b", {}}, {"", json}, {"word", json}, {"a.b", json}}) {
        EXPECT_FALSE(find(text, filters, 4).hasMore) << text;
        EXPECT_EQ(find(text, filters, 4).items.size(), 4u) << text;
        EXPECT_TRUE(find(text, filters, 3).hasMore) << text;
        EXPECT_FALSE(find(text, filters, 2, 2).hasMore) << text;
        EXPECT_TRUE(find(text, filters, 2, 1).hasMore) << text;
        EXPECT_EQ(find(text, filters, std::numeric_limits<std::int64_t>::max(),
                       std::numeric_limits<std::int64_t>::max()),
                  ClipboardSearchPage{})
            << text;
    }
}

TEST_F(SQLiteClipboardSearchIndexStoreQueryTest, SecondPageNeitherRepeatsNorSkipsTheFirst) {
    // Three entries full-text finds (the word starts with "clip") and two newer ones only the grams find.
    store_->upsert(entry("f1", "a clipper", 10));
    store_->upsert(entry("f2", "a clipping", 11));
    store_->upsert(entry("f3", "a clip", 12));
    store_->upsert(entry("g1", "aclipx", 20));
    store_->upsert(entry("g2", "bclipy", 21));
    const auto first = find("clip", {}, 2, 0);
    const auto second = find("clip", {}, 2, 2);
    EXPECT_TRUE(first.hasMore);
    EXPECT_FALSE(second.hasMore);
    auto all = ids(first);
    const auto more = ids(second);
    all.insert(all.end(), more.begin(), more.end());
    EXPECT_EQ(all, (Ids{"f3", "f2", "f1"}));
}

TEST_F(SQLiteClipboardSearchIndexStoreQueryTest, TypeFiltersSplitContentTypeAndClassification) {
    store_->upsert(entry("img", "photo text", 1, ClipboardContentType::image));
    store_->upsert(entry("json", "{\"photo\": 1}", 2, ClipboardContentType::text, "JSON"));
    store_->upsert(entry("imgjson", "photo json", 3, ClipboardContentType::image, "json"));
    store_->upsert(entry("plain", "photo", 4));
    using K = ClipboardSearchFilterKind;
    EXPECT_EQ(ids(find("", {filter(K::type, "img")})), (Ids{"imgjson", "img"}));
    EXPECT_EQ(ids(find("", {filter(K::type, "Image")})), (Ids{"imgjson", "img"}));
    EXPECT_EQ(ids(find("", {filter(K::type, "JSON")})), (Ids{"imgjson", "json"}));
    EXPECT_EQ(ids(find("", {filter(K::type, "json"), filter(K::type, "image")})), Ids{"imgjson"});
    EXPECT_EQ(ids(find("photo", {filter(K::type, "text")})), (Ids{"plain", "json"}));
    // A later filter of one kind replaces the earlier.
    EXPECT_EQ(ids(find("", {filter(K::type, "text"), filter(K::type, "image")})), (Ids{"imgjson", "img"}));
}

TEST_F(SQLiteClipboardSearchIndexStoreQueryTest, AppFilterMatchesStoredIdentifiersOrNothing) {
    store_->upsert(entry("ff", "page", 1, ClipboardContentType::text, std::nullopt, "org.mozilla.firefox"));
    store_->upsert(entry("drawio", "page", 2, ClipboardContentType::text, std::nullopt, "com.jgraph.drawio"));
    store_->upsert(entry("none", "page", 3));
    using K = ClipboardSearchFilterKind;
    EXPECT_EQ(ids(find("", {filter(K::app, "Org.Mozilla.Firefox")})), Ids{"ff"});
    EXPECT_EQ(ids(find("page", {filter(K::app, "firefox")})), Ids{"ff"});
    EXPECT_EQ(ids(find("", {filter(K::app, "draw.io")})), Ids{"drawio"});  // dotted name, no such identifier
    EXPECT_EQ(find("", {filter(K::app, "nothing-like-this")}), ClipboardSearchPage{});
    EXPECT_EQ(ids(find("", {filter(K::app, "   ")})), (Ids{"none", "drawio", "ff"}));
    // The identifiers are read once; a write that brings a new one, or moves an entry to another, is seen.
    store_->upsert(entry("kate", "page", 4, ClipboardContentType::text, std::nullopt, "org.kde.kate"));
    EXPECT_EQ(ids(find("page", {filter(K::app, "kate")})), Ids{"kate"});
    store_->upsert(entry("ff", "page", 5, ClipboardContentType::text, std::nullopt, "org.gnome.Terminal"));
    EXPECT_EQ(find("page", {filter(K::app, "firefox")}), ClipboardSearchPage{});
    EXPECT_EQ(ids(find("page", {filter(K::app, "terminal")})), Ids{"ff"});
    store_->deleteDocuments({"kate"});
    EXPECT_EQ(find("page", {filter(K::app, "kate")}), ClipboardSearchPage{});
}

TEST_F(SQLiteClipboardSearchIndexStoreQueryTest, SearchesAnswerWhileTheWriteQueueIsBusy) {
    store_->upsert(entry("a", "alpha", 1));
    std::promise<void> release;
    std::promise<void> holding;
    auto writer = std::async(std::launch::async, [&] {
        store_->syncVoid([&] {
            holding.set_value();
            release.get_future().wait();
        });
    });
    holding.get_future().wait();
    auto reader = std::async(std::launch::async, [&] { return ids(find("alpha")); });
    const bool answered = reader.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    release.set_value();
    writer.get();
    ASSERT_TRUE(answered);
    EXPECT_EQ(reader.get(), Ids{"a"});
}

TEST_F(SQLiteClipboardSearchIndexStoreQueryTest, DatePresetsBoundCreationTimeAcrossMidnight) {
    const std::unique_ptr<icu::TimeZone> saved(icu::TimeZone::createDefault());
    icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone("Europe/Berlin"));
    // Now: 29 March 2026, 00:30 in Berlin, the night the clocks go forward.
    clock_->set(Date(1774740600));
    store_->upsert(entry("justBeforeMidnight", "note", 1774738799));
    store_->upsert(entry("atMidnight", "note", 1774738800));
    store_->upsert(entry("yesterdayStart", "note", 1774652400));
    store_->upsert(entry("twoDaysAgo", "note", 1774652399));
    store_->upsert(entry("future", "note", 1774800000));
    using K = ClipboardSearchFilterKind;
    EXPECT_EQ(ids(find("", {filter(K::after, "today"), filter(K::before, "today")})),
              (Ids{"future", "atMidnight"}));
    EXPECT_EQ(ids(find("note", {filter(K::after, "yesterday"), filter(K::before, "yesterday")})),
              (Ids{"justBeforeMidnight", "yesterdayStart"}));
    EXPECT_EQ(ids(find("", {filter(K::before, "yesterday")})),
              (Ids{"justBeforeMidnight", "yesterdayStart", "twoDaysAgo"}));
    EXPECT_EQ(ids(find("", {filter(K::before, "week")})),
              (Ids{"atMidnight", "justBeforeMidnight", "yesterdayStart", "twoDaysAgo"}));
    // A value that is no preset sets no bound, but the search still takes the filtered path.
    EXPECT_EQ(find("", {filter(K::after, "tomorrow")}).items.size(), 5u);
    icu::TimeZone::setDefault(*saved);
}

TEST_F(SQLiteClipboardSearchIndexStoreQueryTest, SingleCharacterScansOnlyWithAUserClassification) {
    ClipboardUserClassificationRule mine;
    mine.id = "r1";
    mine.name = "Mine";
    mine.conditionValue = "x";
    mine.resultClassification = "  My Clips ";
    ClipboardUserClassificationRule disabled = mine;
    disabled.id = "r2";
    disabled.resultClassification = "Old Clips";
    disabled.isEnabled = false;
    ClipboardClassificationSettings::setUserRules({mine, disabled}, *defaults_);
    store_->upsert(entry("mine", "hexagon", 1, ClipboardContentType::text, "My Clips"));
    store_->upsert(entry("json", "hexagon", 2, ClipboardContentType::text, "JSON"));
    store_->upsert(entry("mineStarts", "xylophone", 3, ClipboardContentType::text, "my clips"));
    using K = ClipboardSearchFilterKind;
    EXPECT_EQ(ids(find("x", {filter(K::type, "my clips")})), (Ids{"mineStarts", "mine"}));
    EXPECT_EQ(find("x", {filter(K::type, "JSON")}), ClipboardSearchPage{});
    // A disabled rule names no user classification.
    store_->upsert(entry("old", "hexagon", 4, ClipboardContentType::text, "Old Clips"));
    EXPECT_EQ(find("x", {filter(K::type, "old clips")}), ClipboardSearchPage{});
}

TEST_F(SQLiteClipboardSearchIndexStoreQueryTest, TextAfterANulIsFound) {
    store_->upsert(entry("nul", std::string("before\0hidden", 13), 1));
    EXPECT_EQ(ids(find("hidden")), Ids{"nul"});
}

TEST_F(SQLiteClipboardSearchIndexStoreQueryTest, ReadThatFailsPartWayThrowsInsteadOfReturningAPartialPage) {
    std::vector<ClipboardSearchIndexDocument> docs;
    for (int i = 0; i < 400; ++i)
        docs.push_back(entry("id" + std::to_string(i), "text number " + std::to_string(i), i));
    store_->rebuild(docs);
    store_.reset();
    {
        std::fstream file(path_, std::ios::binary | std::ios::in | std::ios::out);
        file.seekg(0, std::ios::end);
        const auto size = static_cast<std::size_t>(file.tellg());
        // Damage the second half of the file: the schema and the first rows stay readable.
        file.seekp(static_cast<std::streamoff>(size / 2));
        const std::string garbage(size - size / 2, '\x33');
        file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    testing::LogCapture log;
    store_ = open();
    bool threw = false;
    try {
        const auto page = store_->fetchRecent(1000, 0);
        // When the damage was found on opening, the index starts empty instead.
        EXPECT_TRUE(page.items.empty());
    } catch (const SQLiteClipboardSearchIndexStoreError&) {
        threw = true;
    }
    EXPECT_TRUE(threw || log.contains("ERROR", "moved it to"));
}

}  // namespace
}  // namespace quorvane
