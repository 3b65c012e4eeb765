#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "history/store/ClipboardHistoryStore.h"
#include "support/PagedIDs.h"
#include "support/RawSqlite.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string fileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

using testing::runRawSql;

ClipboardHistoryIndex makeIndex(const std::string& id, double createdAt = 1000) {
    return {id,
            "preview " + id,
            "search " + id,
            Date(createdAt),
            std::nullopt,
            0,
            ClipboardContentType::text,
            std::nullopt,
            std::nullopt};
}

ClipboardHistoryContent makeContent(const std::string& id) {
    return {id, "content " + id, std::nullopt, std::nullopt, std::nullopt, std::nullopt, "fp-" + id};
}

class ClipboardHistoryStoreTest : public ::testing::Test {
protected:
    std::filesystem::path file() const { return directory_ / "clipboard_history.sqlite"; }
    testing::TemporaryDirectory directory_;
};

TEST_F(ClipboardHistoryStoreTest, EveryFieldSurvivesSaveAndReopen) {
    ClipboardHistoryIndex index{"A",           "pré\nview", std::string("nul\0inside", 10), Date(1234.5),
                                Date(2000.25), 7,           ClipboardContentType::image,    "org.example",
                                std::string()};
    ClipboardHistoryContent content{"A",     std::string("a\0b", 3), Bytes{0, 1, 2, 255}, "ocr",
                                    Bytes{}, Bytes{'<', 'b', '>'},   std::string(64, 'f')};
    {
        ClipboardHistoryStore store(file());
        store.mainContext().insert(index);
        store.mainContext().insert(content);
        store.mainContext().save();
    }
    ClipboardHistoryStore reopened(file());
    auto context = reopened.makeReadContext();
    const auto indexes = context->fetchIndexes();
    const auto contents = context->fetchContents();
    ASSERT_EQ(indexes.size(), 1u);
    ASSERT_EQ(contents.size(), 1u);
    EXPECT_EQ(indexes[0], index);
    EXPECT_EQ(contents[0], content);
    // Empty and absent blobs stay apart: the RTF form is empty, the image of another record absent.
    ASSERT_TRUE(contents[0].richTextRTFData.has_value());
    EXPECT_TRUE(contents[0].richTextRTFData->empty());
    EXPECT_EQ(indexes[0].classification, std::optional<std::string>(""));
}

TEST_F(ClipboardHistoryStoreTest, InsertingAnExistingIdUpdatesTheRecord) {
    ClipboardHistoryStore store(file());
    auto& context = store.mainContext();
    context.insert(makeIndex("A"));
    context.insert(makeContent("A"));
    context.save();
    ClipboardHistoryIndex changed = makeIndex("A", 5000);
    changed.accessCount = 9;
    changed.lastAccessedAt = Date(6000);
    ClipboardHistoryContent changedContent = makeContent("A");
    changedContent.imageData = Bytes{9};
    changedContent.duplicateFingerprint = std::nullopt;
    context.insert(changed);
    context.insert(changedContent);
    context.save();
    EXPECT_EQ(context.fetchIndexes(), std::vector<ClipboardHistoryIndex>{changed});
    EXPECT_EQ(context.fetchContents(), std::vector<ClipboardHistoryContent>{changedContent});
}

TEST_F(ClipboardHistoryStoreTest, FetchesFilterAndSortAsAsked) {
    ClipboardHistoryStore store(file());
    auto& context = store.mainContext();
    for (auto [id, created] : {std::pair{"old", 100.0}, {"mid", 200.0}, {"new", 300.0}}) {
        context.insert(makeIndex(id, created));
        context.insert(makeContent(id));
    }
    context.save();
    const auto newestFirst = context.fetchIndexes({.newestFirst = true});
    ASSERT_EQ(newestFirst.size(), 3u);
    EXPECT_EQ(newestFirst[0].id, "new");
    EXPECT_EQ(newestFirst[2].id, "old");
    const auto before = context.fetchIndexes({.createdBefore = Date(200)});
    ASSERT_EQ(before.size(), 1u);  // strictly earlier: the entry at the cutoff stays
    EXPECT_EQ(before[0].id, "old");
    EXPECT_EQ(context.fetchIndexes({.idEquals = "mid"}).at(0).id, "mid");
    EXPECT_EQ(context.fetchContents({.duplicateFingerprintEquals = "fp-new"}).at(0).id, "new");
    EXPECT_EQ(context.fetchContents({.contentEquals = "content old"}).at(0).id, "old");
    // Values are bound, so SQL in a value is only text.
    EXPECT_TRUE(context.fetchContents({.contentEquals = "' OR 1=1 --"}).empty());
}

TEST_F(ClipboardHistoryStoreTest, FailedSaveRollsBackAndNeverLeaksIntoTheNextSave) {
    { ClipboardHistoryStore create(file()); }
    runRawSql(file(),
              "CREATE TRIGGER refuse BEFORE INSERT ON ClipboardHistoryContent WHEN NEW.id = 'bad' "
              "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    ClipboardHistoryStore store(file());
    auto& context = store.mainContext();
    context.insert(makeIndex("bad"));
    context.insert(makeContent("bad"));
    EXPECT_THROW(context.save(), HistoryStoreError);
    EXPECT_FALSE(context.hasChanges());
    // The index record written before the failing statement was rolled back with it.
    EXPECT_TRUE(context.fetchIndexes().empty());

    context.insert(makeIndex("good"));
    context.insert(makeContent("good"));
    context.save();
    const auto indexes = context.fetchIndexes();
    ASSERT_EQ(indexes.size(), 1u);
    EXPECT_EQ(indexes[0].id, "good");
}

TEST_F(ClipboardHistoryStoreTest, DeletionsWaitForSaveAndReadContextsSeeOnlySavedData) {
    ClipboardHistoryStore store(file());
    auto& context = store.mainContext();
    context.insert(makeIndex("A"));
    context.insert(makeContent("A"));
    context.insert(makeIndex("B"));
    context.save();
    context.deleteIndex("A");
    context.insert(makeIndex("C"));
    EXPECT_EQ(store.makeReadContext()->fetchIndexes().size(), 2u);
    context.save();
    auto reader = store.makeReadContext();
    std::vector<std::string> ids;
    for (const auto& record : reader->fetchIndexes({.newestFirst = true})) ids.push_back(record.id);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<std::string>{"B", "C"}));
    EXPECT_EQ(reader->fetchContents().size(), 1u);  // the content half of A was not asked to go

    context.deleteAllIndexes();
    context.deleteAllContents();
    context.discardChanges();
    context.save();
    EXPECT_EQ(context.fetchIndexes().size(), 2u);
    context.deleteAllIndexes();
    context.deleteAllContents();
    context.save();
    EXPECT_TRUE(context.fetchIndexes().empty());
    EXPECT_TRUE(context.fetchContents().empty());
}

// Commits never fold the log into the file themselves; the store's worker does, so the log stays a few
// commits long however much is written, and everything written is there after a reopen.
TEST_F(ClipboardHistoryStoreTest, TheLogIsFoldedBackBesideTheCommitsAndStaysShort) {
    constexpr int commits = 40;
    const std::filesystem::path log = file().string() + "-wal";
    std::uintmax_t largestLog = 0;
    {
        ClipboardHistoryStore store(file());
        for (int i = 0; i < commits; ++i) {
            const std::string id = "picture-" + std::to_string(i);
            ClipboardHistoryContent content = makeContent(id);
            content.imageData = Bytes(1 << 20, static_cast<std::uint8_t>(i));
            store.mainContext().insert(makeIndex(id, 1000 + i));
            store.mainContext().insert(content);
            store.mainContext().save();
            store.drainCheckpoints();
            largestLog = std::max(largestLog, std::filesystem::file_size(log));
        }
    }
    // A checkpoint every four commits of a megabyte; without any the log would hold all forty.
    EXPECT_LT(largestLog, std::uintmax_t(8) << 20);
    EXPECT_FALSE(std::filesystem::exists(log)) << "the last close folds the log in and removes it";
    ClipboardHistoryStore reopened(file());
    const auto last =
        reopened.mainContext().fetchContents({.idEquals = "picture-" + std::to_string(commits - 1)});
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].imageData, Bytes(1 << 20, static_cast<std::uint8_t>(commits - 1)));
    EXPECT_EQ(reopened.mainContext().fetchIndexes().size(), std::size_t(commits));
}

TEST_F(ClipboardHistoryStoreTest, ReadContextCannotWrite) {
    ClipboardHistoryStore store(file());
    auto reader = store.makeReadContext();
    reader->insert(makeIndex("A"));
    EXPECT_THROW(reader->save(), HistoryStoreError);
    EXPECT_TRUE(store.mainContext().fetchIndexes().empty());
}

TEST_F(ClipboardHistoryStoreTest, HeaderIsOursInWalModeAndFileIsPrivate) {
    { ClipboardHistoryStore store(file()); }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file().c_str(), &db), SQLITE_OK);
    auto integer = [&](const char* sql) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
        sqlite3_step(statement);
        const std::string value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
        return value;
    };
    EXPECT_EQ(integer("PRAGMA application_id;"), std::to_string(ClipboardHistoryStore::applicationID));
    EXPECT_EQ(integer("PRAGMA user_version;"), "1");
    EXPECT_EQ(integer("PRAGMA journal_mode;"), "wal");
    // The two declared indexes, the one for copies stored without a fingerprint and the recency index.
    EXPECT_EQ(integer("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL;"), "4");
    sqlite3_close(db);
    struct stat info {};
    ASSERT_EQ(::stat(file().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(ClipboardHistoryStoreTest, ClearedTextDoesNotStayReadableInTheFile) {
    const std::string secret = "correct horse battery staple 4711";
    {
        ClipboardHistoryStore store(file());
        auto& context = store.mainContext();
        context.insert(makeIndex("A"));
        ClipboardHistoryContent content = makeContent("A");
        content.content = secret;
        context.insert(content);
        context.save();
        context.deleteAllContents();
        context.deleteAllIndexes();
        context.save();
    }  // closing checkpoints the log into the file
    for (const char* suffix : {"", "-wal"}) {
        const auto path = file().string() + suffix;
        if (std::filesystem::exists(path)) {
            EXPECT_EQ(fileBytes(path).find(secret), std::string::npos) << path;
        }
    }
}

TEST_F(ClipboardHistoryStoreTest, RefusesForeignAndNewerFilesWithoutTouchingThem) {
    const auto text = directory_ / "notes.sqlite";
    { std::ofstream(text) << "these are my notes, not a database"; }
    const auto other = directory_ / "other.sqlite";
    runRawSql(other, "CREATE TABLE people (name TEXT); INSERT INTO people VALUES ('ann');");
    const auto newer = directory_ / "newer.sqlite";
    runRawSql(newer, "PRAGMA application_id = " + std::to_string(ClipboardHistoryStore::applicationID) +
                         "; PRAGMA user_version = 2; CREATE TABLE future (x);");

    const std::pair<std::filesystem::path, HistoryStoreError::Kind> cases[] = {
        {text, HistoryStoreError::Kind::foreignFile},
        {other, HistoryStoreError::Kind::foreignFile},
        {newer, HistoryStoreError::Kind::newerVersion}};
    for (const auto& [path, kind] : cases) {
        const std::string before = fileBytes(path);
        try {
            ClipboardHistoryStore store(path);
            ADD_FAILURE() << "opened " << path;
        } catch (const HistoryStoreError& error) {
            EXPECT_EQ(error.kind(), kind) << path << ": " << error.what();
            EXPECT_NE(std::string(error.what()).find(path.string()), std::string::npos);
        }
        EXPECT_EQ(fileBytes(path), before) << path;
        EXPECT_FALSE(std::filesystem::exists(path.string() + "-wal")) << path;
    }
}

TEST_F(ClipboardHistoryStoreTest, DamageIsLookedForAfterAnUncleanStopAndRefusesTheFileUntouched) {
    const auto marker = ClipboardHistoryStore::runningMarker(file());
    {
        ClipboardHistoryStore store(file());
        for (int i = 0; i < 300; ++i) {
            store.mainContext().insert(makeIndex("id-" + std::to_string(i), 1000 + i));
            store.mainContext().insert(makeContent("id-" + std::to_string(i)));
        }
        store.mainContext().save();
        EXPECT_TRUE(std::filesystem::exists(marker));
    }
    EXPECT_FALSE(std::filesystem::exists(marker)) << "a clean stop leaves no marker";

    // An unclean stop of a sound store: checked, and opened.
    { std::ofstream(marker) << ""; }
    {
        ClipboardHistoryStore store(file());
        EXPECT_EQ(store.makeReadContext()->fetchIndexes().size(), 300u);
    }

    testing::damageFirstPageOf(file(), "ClipboardHistoryContent");
    { std::ofstream(marker) << ""; }
    const std::string before = fileBytes(file());
    try {
        ClipboardHistoryStore store(file());
        ADD_FAILURE() << "opened a damaged store";
    } catch (const HistoryStoreError& error) {
        const std::string message = error.what();
        EXPECT_EQ(error.kind(), HistoryStoreError::Kind::damaged) << message;
        EXPECT_EQ(message.rfind("Refusing history store " + file().string(), 0), 0u) << message;
        EXPECT_NE(message.find(".recover"), std::string::npos) << message;
    }
    EXPECT_EQ(fileBytes(file()), before);
    // Still marked, so the next start checks again instead of taking the file into use.
    EXPECT_TRUE(std::filesystem::exists(marker));
    EXPECT_THROW(ClipboardHistoryStore{file()}, HistoryStoreError);
}

TEST_F(ClipboardHistoryStoreTest, MissingDirectoryIsAnOpenError) {
    try {
        ClipboardHistoryStore store(directory_ / "absent" / "clipboard_history.sqlite");
        ADD_FAILURE() << "opened a file in a missing directory";
    } catch (const HistoryStoreError& error) {
        EXPECT_EQ(error.kind(), HistoryStoreError::Kind::open);
    }
}

}  // namespace
}  // namespace quorvane

namespace quorvane {
namespace {

TEST_F(ClipboardHistoryStoreTest, IdPagesGiveEveryRecordInByteOrderAndTheEntriesAmongThemLeaveUnknownTypes) {
    const std::vector<std::string> ids = {"b", "a", "\xc3\xa9", "B", "ab", "z", "a0", "\xe4\xb8\xad"};
    {
        ClipboardHistoryStore store(file());
        for (const auto& id : ids) store.mainContext().insert(makeIndex(id));
        store.mainContext().save();
    }
    // Records a later version wrote, of a type this build does not know.
    runRawSql(file(), "UPDATE ClipboardHistoryIndex SET contentType = 'hologram' WHERE id IN ('ab', 'z');");
    ClipboardHistoryStore store(file());
    const auto context = store.makeReadContext();
    std::vector<std::string> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    for (const std::size_t most : {std::size_t{1}, std::size_t{3}, std::size_t{8}, std::size_t{100}}) {
        SCOPED_TRACE("pages of " + std::to_string(most));
        const auto read = testing::allPagedIDs(
            [&](const std::optional<std::string>& after, std::size_t asked) {
                auto page = context->fetchRecordIDsAfter(after, asked);
                EXPECT_LE(page.size(), asked);
                return page;
            },
            most);
        EXPECT_EQ(read, sorted);
    }
    std::vector<std::string> entries = sorted;
    std::erase_if(entries, [](const std::string& id) { return id == "ab" || id == "z"; });
    EXPECT_EQ(context->fetchIndexIDsAmong(sorted), entries);
    EXPECT_EQ(context->fetchIndexIDsAmong({"a", "gone", "z"}), (std::vector<std::string>{"a"}));
    EXPECT_TRUE(context->fetchIndexIDsAmong({}).empty());
}

TEST_F(ClipboardHistoryStoreTest, BatchedReadGivesEveryRecordWithItsTextsInNewestFirstOrder) {
    {
        ClipboardHistoryStore store(file());
        auto& context = store.mainContext();
        // Ties of createdAt, an entry without content, an image with recognised text and bytes not read.
        for (int i = 0; i < 10; ++i) {
            context.insert(makeIndex("e" + std::to_string(i), 1000 + (i / 3)));
            if (i != 4) context.insert(makeContent("e" + std::to_string(i)));
        }
        auto image = makeIndex("img", 1001);
        image.contentType = ClipboardContentType::image;
        context.insert(image);
        context.insert(ClipboardHistoryContent{"img", "", Bytes(5000, 7), "seen text", std::nullopt,
                                               std::nullopt, std::nullopt});
        context.save();
    }
    ClipboardHistoryStore store(file());
    auto context = store.makeReadContext();
    const auto whole = context->fetchIndexes({.newestFirst = true});
    ASSERT_EQ(whole.size(), 11u);

    for (const std::size_t most : {std::size_t{1}, std::size_t{3}, std::size_t{11}, std::size_t{50}}) {
        SCOPED_TRACE("batches of " + std::to_string(most));
        std::vector<std::size_t> sizes;
        std::vector<HistoryIndexWithContent> read;
        context->fetchIndexesWithContentInBatches(most, 1 << 20,
                                                  [&](std::vector<HistoryIndexWithContent>& batch) {
                                                      sizes.push_back(batch.size());
                                                      for (auto& record : batch)
                                                          read.push_back(std::move(record));
                                                  });
        ASSERT_EQ(read.size(), whole.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            auto expected = whole[i];
            expected.searchText.clear();  // never read: the index record's own search text is not indexed
            EXPECT_EQ(read[i].index, expected) << i;
            const auto& id = read[i].index.id;
            if (id == "e4") {
                EXPECT_FALSE(read[i].content.has_value());
            } else if (id == "img") {
                ASSERT_TRUE(read[i].content.has_value());
                EXPECT_EQ(read[i].content->ocrText, std::optional<std::string>("seen text"));
                EXPECT_FALSE(read[i].content->imageData.has_value());
            } else {
                ASSERT_TRUE(read[i].content.has_value());
                EXPECT_EQ(read[i].content->content, "content " + id);
            }
        }
        for (std::size_t b = 0; b + 1 < sizes.size(); ++b) EXPECT_EQ(sizes[b], most);
        EXPECT_EQ(sizes.size(), (whole.size() + most - 1) / most);
    }

    // A batch also ends at its byte bound: each text here passes it alone.
    std::size_t batches = 0;
    context->fetchIndexesWithContentInBatches(100, 10, [&](std::vector<HistoryIndexWithContent>& batch) {
        ++batches;
        EXPECT_EQ(batch.size(), 1u);
    });
    EXPECT_EQ(batches, whole.size());
}

}  // namespace
}  // namespace quorvane
