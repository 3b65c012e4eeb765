// The search index under texts people really copy: NUL bytes, broken UTF-8, marks, floods and megabytes.
// After every write the file passes SQLite's own checks and every document is found by its own word only.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "searchindex/ClipboardSearchIndexWriter.h"
#include "searchindex/ClipboardSearchTokenizers.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"
#include "sqlite/SQLiteDatabase.h"
#include "support/LogCapture.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

using namespace std::string_literals;

// A document as the history store builds it from an entry's text.
ClipboardSearchIndexDocument built(const std::string& id, const std::string& text, double createdAt) {
    ClipboardSearchSourceDocument source;
    source.id = id;
    source.preview = text.substr(0, 40);
    source.searchableText = text;
    source.createdAt = Date(createdAt);
    return ClipboardSearchIndexDocument::make(source, 8192, 4096, false);
}

// A document whose texts are taken as given, bypassing normalisation: the store must cope with any bytes.
ClipboardSearchIndexDocument raw(const std::string& id, const std::string& text, double createdAt) {
    ClipboardSearchIndexDocument doc;
    doc.id = id;
    doc.preview = text.substr(0, 40);
    doc.createdAt = Date(createdAt);
    doc.sortAt = Date(createdAt);
    doc.normalizedText = text;
    for (const char c : text) {
        if (c != ' ') doc.compactText += c;
    }
    return doc;
}

class SearchIndexHostileTextTest : public ::testing::Test {
protected:
    void SetUp() override { store_ = open(); }

    std::unique_ptr<SQLiteClipboardSearchIndexStore> open() {
        auto store = std::make_unique<SQLiteClipboardSearchIndexStore>(path_, defaults_, clock_);
        store->setRecoveryHandler([this] { ++recoveries_; });
        return store;
    }

    // Waits for the merge steps the writes queued.
    void settle() {
        for (int i = 0; i < 64; ++i) store_->syncVoid([] {});
    }

    // SQLite's checks of every full-text table and of the whole file, from a connection of its own.
    std::string damage() {
        SQLiteDatabase db(path_);
        ClipboardSearchTokenizers::registerWith(db.handle());
        std::string found;
        for (const char* table : ClipboardSearchIndexWriter::kSearchTables) {
            try {
                db.execute("INSERT INTO "s + table + " (" + table + ") VALUES ('integrity-check');");
            } catch (const std::exception& error) {
                found += std::string(table) + ": " + error.what() + "\n";
            }
        }
        auto check = db.prepare("PRAGMA integrity_check;");
        while (check.step()) {
            const auto line = check.columnText(0).value_or("");
            if (line != "ok") found += line + "\n";
        }
        return found;
    }

    std::vector<std::string> idsFound(const std::string& query) {
        std::vector<std::string> ids;
        for (const auto& item : store_->search(ClipboardSearchQueryText(query), {}, 50, 0).items) {
            ids.push_back(item.id);
        }
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    bool setAside() const {
        for (const auto& entry : std::filesystem::directory_iterator(directory_.path())) {
            if (entry.path().filename().string().find(".corrupt-") != std::string::npos) return true;
        }
        return false;
    }

    testing::TemporaryDirectory directory_;
    std::filesystem::path path_ = directory_ / "clipboard_search.sqlite";
    std::shared_ptr<InMemoryUserDefaults> defaults_ = std::make_shared<InMemoryUserDefaults>();
    std::shared_ptr<FakeClock> clock_ = std::make_shared<FakeClock>(Date(1'700'000'000));
    int recoveries_ = 0;
    std::unique_ptr<SQLiteClipboardSearchIndexStore> store_;
};

TEST_F(SearchIndexHostileTextTest, TextWithNulBytesIsFoundByTheWordsOnBothSidesAndLeavesTheFileSound) {
    testing::LogCapture log;
    store_->upsert(built("nul", "before\0after"s, 1));
    store_->upsert(raw("raw", "\0leading and trailing\0 mid\0dle \0"s, 2));
    for (int i = 0; i < 40; ++i)
        store_->upsert(built("plain" + std::to_string(i), "plain text " + std::to_string(i), 3 + i));
    settle();
    EXPECT_EQ(damage(), "");
    EXPECT_EQ(idsFound("before"), std::vector<std::string>{"nul"});
    EXPECT_EQ(idsFound("after"), std::vector<std::string>{"nul"});
    EXPECT_EQ(idsFound("trailing"), std::vector<std::string>{"raw"});
    EXPECT_EQ(idsFound("dle"), std::vector<std::string>{"raw"});

    // Replaced, moved in the order and deleted: each removal takes out exactly what went in.
    store_->upsert(built("nul", "again\0with\0nul"s, 50));
    store_->updateAccess("raw", Date(60), Date(60), 1);
    store_->deleteDocuments({"plain3"});
    settle();
    EXPECT_EQ(damage(), "");
    EXPECT_EQ(idsFound("before"), std::vector<std::string>{});
    EXPECT_EQ(idsFound("with"), std::vector<std::string>{"nul"});
    EXPECT_EQ(idsFound("trailing"), std::vector<std::string>{"raw"});
    EXPECT_EQ(recoveries_, 0);
    EXPECT_FALSE(setAside());
    EXPECT_FALSE(log.contains("ERROR", "")) << ::testing::PrintToString(log.lines());
}

TEST_F(SearchIndexHostileTextTest, RebuiltTextsWithNulBytesAreRemovedExactlyLater) {
    testing::LogCapture log;
    std::vector<ClipboardSearchIndexDocument> documents;
    for (int i = 0; i < 20; ++i) {
        documents.push_back(built("doc" + std::to_string(i), "word" + std::to_string(i) + "\0tail\0end"s, i));
    }
    store_->rebuild(documents);
    for (int i = 0; i < 20; i += 2) store_->deleteDocuments({"doc" + std::to_string(i)});
    for (int i = 1; i < 20; i += 4)
        store_->updateAccess("doc" + std::to_string(i), Date(100 + i), Date(100 + i), 1);
    for (int i = 0; i < 30; ++i) store_->upsert(built("more" + std::to_string(i), "more text", 200 + i));
    settle();
    EXPECT_EQ(damage(), "");
    EXPECT_EQ(idsFound("tail").size(), 10u);
    EXPECT_EQ(idsFound("ilen").size(), 10u);  // the runs across the NUL, as across a blank
    EXPECT_EQ(recoveries_, 0);
    EXPECT_FALSE(setAside());
}

}  // namespace
}  // namespace quorvane
