// A rebuild fed a batch at a time makes the very file a rebuild from one list makes, wherever the batches
// are cut and whatever the texts hold; a fill that fails part-way leaves the index as it was.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <map>
#include <stdexcept>

#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"
#include "sqlite/SQLiteDatabase.h"
#include "support/PagedIDs.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

using namespace std::string_literals;
using Documents = std::vector<ClipboardSearchIndexDocument>;

ClipboardSearchIndexDocument document(const std::string& id, const std::string& text, double createdAt,
                                      bool pinyin = false) {
    ClipboardSearchSourceDocument source;
    source.id = id;
    source.preview = text.substr(0, 40);
    source.searchableText = text;
    source.createdAt = Date(createdAt);
    source.bundleIdentifier =
        id.size() % 2 == 0 ? std::optional<std::string>("org.example.app") : std::nullopt;
    return ClipboardSearchIndexDocument::make(source, 8192, 4096, pinyin);
}

// Ordinary and hostile texts: NUL bytes, broken UTF-8, marks, Chinese with pinyin, a flood, empty texts,
// equal dates (ranks then depend on insertion order) and one id twice (the second row is refused).
Documents corpus() {
    Documents documents;
    const std::vector<std::string> texts = {
        "meeting notes for the release",
        "nul\0inside the text"s,
        "broken \xff\xfe utf-8 \xc3",
        "e\xcc\x81\xcc\x81 combining marks",
        "\xe5\x8c\x97\xe4\xba\xac \xe4\xbc\x9a\xe8\xae\xae\xe8\xae\xb0\xe5\xbd\x95 beijing",
        std::string(9000, 'x') + " flood",
        "",
        "   ",
        "https://example.com/path?q=draft&x=1",
        "{\"token\": \"abc-123\"}",
        "\xf0\x9f\x98\x80 emoji \xf0\x9f\x98\x80",
        "tab\tand\nnewline\r\n",
    };
    for (std::size_t i = 0; i < 40; ++i) {
        const auto& text = texts[i % texts.size()];
        documents.push_back(document("entry-" + std::to_string(i), text + " " + std::to_string(i),
                                     1'000'000.0 - static_cast<double>(i / 3), i % 4 == 0));
    }
    documents.push_back(document("entry-7", "the same id again", 2'000'000));
    return documents;
}

// Every row of every stored table of the file (full-text segments and their structure included), each
// table's rows sorted, as text.
std::map<std::string, std::vector<std::string>> contents(const std::filesystem::path& path) {
    SQLiteDatabase db(path);
    std::vector<std::string> tables;
    {
        auto list = db.prepare(
            "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite_stat%' "
            "AND sql NOT LIKE 'CREATE VIRTUAL%';");
        while (list.step()) tables.push_back(list.columnText(0).value_or(""));
    }
    std::map<std::string, std::vector<std::string>> result;
    for (const auto& table : tables) {
        auto rows = db.prepare("SELECT * FROM \"" + table + "\";");
        auto& out = result[table];
        while (rows.step()) {
            std::string row;
            sqlite3_stmt* statement = rows.handle();
            for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, c));
                row += std::to_string(sqlite3_column_type(statement, c)) + ":" +
                       std::string(
                           bytes == nullptr ? "" : std::string(bytes, sqlite3_column_bytes(statement, c))) +
                       "|";
            }
            out.push_back(std::move(row));
        }
        std::sort(out.begin(), out.end());
    }
    return result;
}

class SearchIndexBatchedRebuildTest : public ::testing::Test {
protected:
    std::unique_ptr<SQLiteClipboardSearchIndexStore> open(const std::string& name) {
        return std::make_unique<SQLiteClipboardSearchIndexStore>(directory_ / name, defaults_, clock_);
    }

    // Fills `documents` into `store` through the batched rebuild, cut every `size` documents.
    static ClipboardSearchIndexStats rebuildCut(SQLiteClipboardSearchIndexStore& store,
                                                const Documents& documents, std::size_t size) {
        return store.rebuildInBatches([&](const ClipboardSearchIndexStoreProtocol::DocumentBatch& add) {
            for (std::size_t start = 0; start < documents.size(); start += size) {
                add(Documents(documents.begin() + static_cast<std::ptrdiff_t>(start),
                              documents.begin() +
                                  static_cast<std::ptrdiff_t>(std::min(start + size, documents.size()))));
            }
        });
    }

    testing::TemporaryDirectory directory_;
    std::shared_ptr<InMemoryUserDefaults> defaults_ = std::make_shared<InMemoryUserDefaults>();
    std::shared_ptr<FakeClock> clock_ = std::make_shared<FakeClock>(Date(1'700'000'000));
};

TEST_F(SearchIndexBatchedRebuildTest, BatchedRebuildWritesTheSameFileAsOneRebuildWhereverTheBatchesAreCut) {
    const Documents documents = corpus();
    // Both start from the same earlier index, so the replacement of existing rows is compared too.
    const Documents earlier = {document("old-1", "older text", 10), document("old-2", "another older", 11)};
    const auto prepare = [&](const std::string& name) {
        auto store = open(name);
        store->rebuild(earlier);
        store->upsert(document("old-3", "written since", 12));
        return store;
    };
    ClipboardSearchIndexStats expectedStats;
    {
        auto store = prepare("one.sqlite");
        expectedStats = store->rebuild(documents);
    }
    const auto expected = contents(directory_ / "one.sqlite");
    ASSERT_EQ(expected.at("documents").size(), documents.size() - 1);
    ASSERT_GT(expected.at("search_words_data").size(), 1u);

    for (const std::size_t size : {std::size_t{1}, std::size_t{2}, std::size_t{7}, documents.size()}) {
        SCOPED_TRACE("batches of " + std::to_string(size));
        const std::string name = "cut-" + std::to_string(size) + ".sqlite";
        ClipboardSearchIndexStats stats;
        {
            auto store = prepare(name);
            stats = rebuildCut(*store, documents, size);
            // The batched file answers searches as the other does.
            EXPECT_EQ(store->search(ClipboardSearchQueryText("meeting"), {}, 100, 0).items.size(), 4u);
        }
        EXPECT_EQ(stats.documentCount, expectedStats.documentCount);
        EXPECT_EQ(stats.gramCount, expectedStats.gramCount);
        const auto actual = contents(directory_ / name);
        ASSERT_EQ(actual.size(), expected.size());
        for (const auto& [table, rows] : expected) {
            ASSERT_TRUE(actual.contains(table)) << table;
            EXPECT_EQ(actual.at(table).size(), rows.size()) << table;
            EXPECT_TRUE(actual.at(table) == rows) << table << " differs row by row";
        }
    }
}

TEST_F(SearchIndexBatchedRebuildTest, AFillThatFailsPartWayLeavesTheIndexAsItWas) {
    auto store = open("index.sqlite");
    store->rebuild({document("kept-1", "kept alpha", 10), document("kept-2", "kept beta", 11)});
    const auto before = contents(directory_ / "index.sqlite");
    const Documents documents = corpus();
    EXPECT_THROW(store->rebuildInBatches([&](const ClipboardSearchIndexStoreProtocol::DocumentBatch& add) {
        add(Documents(documents.begin(), documents.begin() + 10));
        throw std::runtime_error("the history could not be read");
    }),
                 std::runtime_error);
    const auto ids = testing::allPagedIDs([&](const std::optional<std::string>& after, std::size_t most) {
        return store->documentItemIDsAfter(after, most);
    });
    EXPECT_EQ(ids, (std::vector<std::string>{"kept-1", "kept-2"}));
    EXPECT_EQ(store->search(ClipboardSearchQueryText("alpha"), {}, 10, 0).items.size(), 1u);
    EXPECT_TRUE(store->search(ClipboardSearchQueryText("meeting"), {}, 10, 0).items.empty());
    // And the store goes on taking writes.
    store->upsert(document("after", "written after the failure", 12));
    EXPECT_EQ(store->search(ClipboardSearchQueryText("failure"), {}, 10, 0).items.size(), 1u);
    store.reset();
    EXPECT_EQ(contents(directory_ / "index.sqlite").at("meta"), before.at("meta"));
}

}  // namespace
}  // namespace quorvane
