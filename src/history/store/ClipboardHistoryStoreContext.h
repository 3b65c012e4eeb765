#pragma once

// One connection to the history store with its pending changes. Inserts and deletions wait in the context
// until save(), which writes them all in one transaction; a failed save rolls the transaction back and drops
// them, so they can never reach the file through a later, unrelated save. Fetches read only saved data.
// A context is used by one thread at a time: the main context on the main thread, a read context by one job.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "history/ClipboardHistoryCounts.h"
#include "history/store/HistoryStoreError.h"
#include "model/ClipboardHistoryContent.h"
#include "model/ClipboardHistoryIndex.h"
#include "sqlite/SQLiteDatabase.h"

namespace quorvane {

// Conditions of a fetch; the given ones must all hold.
struct HistoryIndexFetch {
    std::optional<std::string> idEquals = std::nullopt;
    std::optional<Date> createdBefore = std::nullopt;  // strictly earlier
    bool newestFirst = false;                          // createdAt descending; otherwise no particular order
    // The history's own recency order instead (later sort date, then later creation, then greater id), read
    // through the store's index on it.
    bool mostRecentFirst = false;
    // At most this many records, counted after the rows fetchIndexes() skips.
    std::optional<std::size_t> limit = std::nullopt;
};
struct HistoryContentFetch {
    std::optional<std::string> idEquals = std::nullopt;
    std::optional<std::string> duplicateFingerprintEquals = std::nullopt;
    std::optional<std::string> contentEquals = std::nullopt;
    // Only records stored without a fingerprint; with `contentEquals` one lookup of the store's index on
    // them.
    bool withoutDuplicateFingerprint = false;
    // False leaves `imageData` absent in the results, so reads that do not need the bytes skip loading them.
    bool loadImageData = true;
};

// An index record (its search text left empty) with the texts of its content record: absent without a content
// record; never image bytes.
struct HistoryIndexWithContent {
    ClipboardHistoryIndex index;
    std::optional<ClipboardHistoryContent> content;
};

class ClipboardHistoryStoreContext {
public:
    // The sort date of an index record: its last use when not before its capture, else its capture. The
    // store's recency index is on it, the capture time and the id; an ORDER BY must spell it the same way to
    // be read through that index.
    static constexpr const char* sortAtExpression =
        "CASE WHEN lastAccessedAt >= createdAt THEN lastAccessedAt ELSE createdAt END";

    explicit ClipboardHistoryStoreContext(std::unique_ptr<SQLiteDatabase> connection);
    ClipboardHistoryStoreContext(const ClipboardHistoryStoreContext&) = delete;
    ClipboardHistoryStoreContext& operator=(const ClipboardHistoryStoreContext&) = delete;

    // Throw HistoryStoreError. Rows that cannot be decoded (an unknown content type) are skipped with a
    // warning.
    std::vector<ClipboardHistoryIndex> fetchIndexes(const HistoryIndexFetch& fetch = {});
    // The same records handed to `visit` one at a time as they are read, so that none is held longer than the
    // visit needs it.
    void visitIndexes(const HistoryIndexFetch& fetch,
                      const std::function<void(ClipboardHistoryIndex&)>& visit);
    std::vector<ClipboardHistoryContent> fetchContents(const HistoryContentFetch& fetch = {});
    // At most `most` ids of index records, those after `after` (from the first without it), in ascending byte
    // order (std::string's); fewer only when no more follow. A scan of the id index alone, for comparing the
    // history with the search index a page at a time: it also gives the records fetchIndexes() skips (a type
    // this build does not know), which fetchIndexIDsAmong() tells apart.
    std::vector<std::string> fetchRecordIDsAfter(const std::optional<std::string>& after, std::size_t most);
    // Those of `ids` (ascending, each once) whose records fetchIndexes() would return, in that order.
    std::vector<std::string> fetchIndexIDsAmong(const std::vector<std::string>& ids);
    using IndexWithContentBatch = std::function<void(std::vector<HistoryIndexWithContent>&)>;
    // Every index record in the order of fetchIndexes({.newestFirst = true}), each with its content's texts,
    // handed to `visit` a batch at a time: at most `most` records, and a batch ends once its texts pass
    // `mostBytes`. One statement reads them all, so the whole history is never held at once.
    void fetchIndexesWithContentInBatches(std::size_t most, std::size_t mostBytes,
                                          const IndexWithContentBatch& visit);
    // The same for the records of `ids` (ascending, each once), in that order; ids not stored are passed
    // over.
    void fetchIndexesWithContentInBatches(const std::vector<std::string>& ids, std::size_t most,
                                          std::size_t mostBytes, const IndexWithContentBatch& visit);
    // Whether any index record is stored: one row read.
    bool hasIndexes();
    // The records fetchIndexes() would return, counted in one statement without reading them.
    ClipboardHistoryCounts countIndexes();

    // Pending until save(). Inserting a record whose id is stored already replaces that record's values.
    void insert(ClipboardHistoryIndex record);
    void insert(ClipboardHistoryContent record);
    void deleteIndex(const std::string& id);
    void deleteContent(const std::string& id);
    void deleteAllIndexes();
    void deleteAllContents();

    bool hasChanges() const { return !pending_.empty(); }
    // Writes every pending change in one transaction, or none of them and throws HistoryStoreError.
    // Either way nothing is pending afterwards.
    void save();
    // Rewrites the file without what earlier saves removed, log included (see SQLiteDatabase). Needs no
    // pending changes. Throws HistoryStoreError.
    void eraseRemovedData();
    // Drops the pending changes unwritten.
    void discardChanges() { pending_.clear(); }

private:
    struct DeleteIndex {
        std::string id;
    };
    struct DeleteContent {
        std::string id;
    };
    struct DeleteAllIndexes {};
    struct DeleteAllContents {};
    using Change = std::variant<ClipboardHistoryIndex, ClipboardHistoryContent, DeleteIndex, DeleteContent,
                                DeleteAllIndexes, DeleteAllContents>;

    void apply(const Change& change);

    std::unique_ptr<SQLiteDatabase> connection_;
    std::vector<Change> pending_;
};

}  // namespace quorvane
