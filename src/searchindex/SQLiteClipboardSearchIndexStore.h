#pragma once

// The search index: "clipboard_search.sqlite", one row per history entry with its normalised, compact and
// pinyin texts, each entry's rank in the recency order, FTS5 tables of words, of two- and three-character
// runs and of leading characters (all keyed by rank), and a key/value table. Shared by the
// history store (writes) and the search service (reads, rebuild). Safe from any thread: writes run on the
// store's own serial queue and connection, searches on a second queue with a read connection. The file, its
// connections and the recovery of a damaged one are SQLiteClipboardSearchIndexFile's; the recovery handler
// tells the history store to fill a replaced file again.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/UserDefaults.h"
#include "searchindex/ClipboardSearchIndexStoreProtocol.h"
#include "searchindex/ClipboardSearchVocabulary.h"
#include "searchindex/SQLiteClipboardSearchIndexFile.h"
#include "searchindex/SQLiteClipboardSearchIndexStoreError.h"
#include "sqlite/SQLiteDatabase.h"

namespace quorvane {

class SQLiteClipboardSearchIndexStore final : public ClipboardSearchIndexStoreProtocol {
public:
    // The size the write-ahead log is cut back to once its contents are in the file.
    static constexpr std::int64_t kLogSizeLimitBytes = SQLiteClipboardSearchIndexFile::kLogSizeLimitBytes;

    // Opens (creating) the index at `databasePath`, creating its parent directory, and brings its schema up
    // to date. Throws std::filesystem::filesystem_error or SQLiteClipboardSearchIndexStoreError; a store that
    // could not be opened is never returned. `clock` dates rebuilds and set-aside files.
    // `userDefaults` holds the user's classification rules; `resolveBundleIdentifiers` turns an "app:" value
    // into stored identifiers (by default it matches the identifiers themselves).
    SQLiteClipboardSearchIndexStore(
        std::filesystem::path databasePath, std::shared_ptr<UserDefaults> userDefaults,
        std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>(),
        ClipboardSearchVocabulary::BundleIdentifierResolver resolveBundleIdentifiers = nullptr);
    ~SQLiteClipboardSearchIndexStore() override;

    const std::filesystem::path& databasePath() const { return file_.databasePath(); }

    ClipboardSearchIndexStats rebuild(const std::vector<ClipboardSearchIndexDocument>& documents) override;
    ClipboardSearchIndexStats rebuildInBatches(
        const std::function<void(const DocumentBatch&)>& fill) override;
    void eraseRemovedData() override;
    void upsert(const ClipboardSearchIndexDocument& document) override;
    void deleteDocuments(const std::vector<std::string>& itemIDs) override;
    void updateAccess(const std::string& itemID, Date sortAt, std::optional<Date> lastAccessedAt,
                      std::int64_t accessCount) override;
    ClipboardSearchIndexStats stats() override;
    bool isEmpty() override;
    void setBeingFilled(bool filling) override { file_.setBeingFilled(filling); }
    std::vector<std::string> documentItemIDsAfter(const std::optional<std::string>& after,
                                                  std::size_t most) override;
    void setRecoveryHandler(std::function<void()> handler) override;
    ClipboardSearchPage fetchRecent(std::int64_t limit, std::int64_t offset) override;
    ClipboardSearchPage search(const ClipboardSearchQueryText& query,
                               const std::vector<ClipboardSearchFilter>& filters, std::int64_t limit,
                               std::int64_t offset) override;
    void syncVoid(const std::function<void()>& body) override;

    // The text with which the rebuild time is stored: the shortest decimal that reads back to the same
    // double, always with a fractional digit ("1700000000.0").
    static std::string formatMetaDate(double secondsSince1970);
    // Reads such a text back; nothing for an empty, blank-led or partly numeric text.
    static std::optional<double> parseMetaDate(const std::string& text);

private:
    // Forgets the cached application identifiers when a write may have changed them: a new identifier, or an
    // entry re-indexed under another one.
    void forgetAppIdentifiers();
    void noteAppIdentifier(const std::optional<std::string>& added,
                           const std::optional<std::string>& replaced);

    ClipboardSearchPage filteredSearch(SQLiteDatabase& db, const ClipboardSearchQueryText& query,
                                       const std::vector<ClipboardSearchFilter>& filters, std::int64_t limit,
                                       std::int64_t offset);
    std::optional<std::vector<std::string>> appBundleIdentifiers(SQLiteDatabase& db,
                                                                 const std::optional<std::string>& appValue);
    bool namesUserClassification(const std::string& value) const;

    std::shared_ptr<UserDefaults> userDefaults_;
    std::shared_ptr<const Clock> clock_;
    ClipboardSearchVocabulary::BundleIdentifierResolver resolveBundleIdentifiers_;
    // The distinct stored application identifiers, read once and kept until a write changes them. Before the
    // file, which forgets them when it replaces a damaged one.
    std::mutex appIdentifiersMutex_;
    std::optional<std::vector<std::string>> appIdentifiers_;
    SQLiteClipboardSearchIndexFile file_;
};

}  // namespace quorvane
