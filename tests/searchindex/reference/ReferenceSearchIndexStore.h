#pragma once

// The reference the index store is measured against: the search index as first built, one row per entry with
// its texts, an FTS5 table, a table of two- and three-character grams, and every search ranked in SQL with
// instr() over all candidates. Slow at scale but plain to read: its pages are the expected ones. Kept for
// the differential test and the side-by-side benchmarks only.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/SerialQueue.h"
#include "platform/Clock.h"
#include "platform/UserDefaults.h"
#include "searchindex/ClipboardSearchIndexStoreProtocol.h"
#include "searchindex/ClipboardSearchVocabulary.h"
#include "searchindex/SQLiteClipboardSearchIndexStoreError.h"
#include "sqlite/SQLiteDatabase.h"

namespace quorvane {

class SQLiteError;

class ReferenceSearchIndexStore final : public ClipboardSearchIndexStoreProtocol {
public:
    // Opens (creating) the index at `databasePath`, creating its parent directory, and brings its schema up
    // to date. Throws std::filesystem::filesystem_error or SQLiteClipboardSearchIndexStoreError; a store that
    // could not be opened is never returned. `clock` dates rebuilds and set-aside files.
    // `userDefaults` holds the user's classification rules; `resolveBundleIdentifiers` turns an "app:" value
    // into stored identifiers (by default it matches the identifiers themselves).
    ReferenceSearchIndexStore(
        std::filesystem::path databasePath, std::shared_ptr<UserDefaults> userDefaults,
        std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>(),
        ClipboardSearchVocabulary::BundleIdentifierResolver resolveBundleIdentifiers = nullptr);
    ~ReferenceSearchIndexStore() override;

    const std::filesystem::path& databasePath() const { return databasePath_; }

    ClipboardSearchIndexStats rebuild(const std::vector<ClipboardSearchIndexDocument>& documents) override;
    void upsert(const ClipboardSearchIndexDocument& document) override;
    void deleteDocuments(const std::vector<std::string>& itemIDs) override;
    void updateAccess(const std::string& itemID, Date sortAt, std::optional<Date> lastAccessedAt,
                      std::int64_t accessCount) override;
    ClipboardSearchIndexStats stats() override;
    std::vector<std::string> documentItemIDsAfter(const std::optional<std::string>& after,
                                                  std::size_t most) override;
    ClipboardSearchPage fetchRecent(std::int64_t limit, std::int64_t offset) override;
    ClipboardSearchPage search(const ClipboardSearchQueryText& query,
                               const std::vector<ClipboardSearchFilter>& filters, std::int64_t limit,
                               std::int64_t offset) override;
    void syncVoid(const std::function<void()>& body) override;

    // Every run of n consecutive characters of `text`, for each n of `sizes`; a text shorter than n gives no
    // grams of that size.
    static std::set<std::string> makeGrams(std::string_view text, const std::vector<int>& sizes);

    // The text with which the rebuild time is stored: the shortest decimal that reads back to the same
    // double, always with a fractional digit ("1700000000.0").
    static std::string formatMetaDate(double secondsSince1970);
    // Reads such a text back; nothing for an empty, blank-led or partly numeric text.
    static std::optional<double> parseMetaDate(const std::string& text);

    // The entries from `offset` on, at most `limit` of them, and whether any entry follows.
    static ClipboardSearchPage page(std::vector<ClipboardHistoryIndexSnapshot> rows, std::int64_t offset,
                                    std::int64_t limit);

private:
    // Runs `body` with the open connection on the queue, turning SQLite failures into the store's error and
    // setting a damaged file aside.
    template <class F>
    auto perform(F&& body) -> decltype(body(std::declval<SQLiteDatabase&>()));

    ClipboardSearchPage textOnlySearch(SQLiteDatabase& db, const ClipboardSearchQueryText& query,
                                       std::int64_t limit, std::int64_t offset);
    ClipboardSearchPage filteredSearch(SQLiteDatabase& db, const ClipboardSearchQueryText& query,
                                       const std::vector<ClipboardSearchFilter>& filters, std::int64_t limit,
                                       std::int64_t offset);
    std::optional<std::vector<std::string>> appBundleIdentifiers(SQLiteDatabase& db,
                                                                 const std::optional<std::string>& appValue);
    bool namesUserClassification(const std::string& value) const;

    void openConnection();
    void configure(SQLiteDatabase& db);
    // Moves the damaged file aside and opens an empty index in its place; false when that failed too.
    bool recoverFromCorruption(const SQLiteError& error);
    std::filesystem::path moveDamagedFilesAside();

    std::filesystem::path databasePath_;
    std::shared_ptr<UserDefaults> userDefaults_;
    std::shared_ptr<const Clock> clock_;
    ClipboardSearchVocabulary::BundleIdentifierResolver resolveBundleIdentifiers_;
    SerialQueue queue_{"ReferenceSearchIndexStore.Queue"};
    // Absent only after a damaged file could not be replaced.
    std::unique_ptr<SQLiteDatabase> db_;
};

}  // namespace quorvane
