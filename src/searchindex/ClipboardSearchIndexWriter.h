#pragma once

// The row writes of the search index: the rows of one document kept in step across the documents table, the
// rank table, the gram signatures and the four full-text tables, which are keyed by rank. A new document
// takes the rank ClipboardSearchRankPlacement chooses; a whole index is ranked at once by sorting. Used on
// the store's write connection inside its transactions; not thread-safe.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "searchindex/ClipboardSearchIndexDocument.h"
#include "searchindex/ClipboardSearchRankPlacement.h"
#include "sqlite/SQLiteStatement.h"

namespace quorvane {

class SQLiteDatabase;
class SQLiteError;

class ClipboardSearchIndexWriter {
public:
    // Ranks every document by sorting and fills the search tables in rank order, from empty search tables.
    static void rankAndIndexAll(SQLiteDatabase& db);
    // Brings the stored texts to this build's form and refills every search table from them.
    static void reindexAll(SQLiteDatabase& db);

    explicit ClipboardSearchIndexWriter(SQLiteDatabase& db);
    ~ClipboardSearchIndexWriter();

    // Asked about a document whose row could not be written: true leaves the document out and goes on,
    // false lets the error through.
    using LeaveOut = std::function<bool(const ClipboardSearchIndexDocument&, const SQLiteError&)>;

    // Replaces every document by `documents`, ranked and indexed.
    void replaceAll(const std::vector<ClipboardSearchIndexDocument>& documents,
                    const LeaveOut& leaveOut = nullptr);
    // Takes one batch of documents into the replacement.
    using Batch = std::function<void(const std::vector<ClipboardSearchIndexDocument>&)>;
    // Replaces every document by those `fill` hands to the batch function it is given; the same index as
    // replaceAll() with all of them at once.
    void replaceAllInBatches(const std::function<void(const Batch&)>& fill,
                             const LeaveOut& leaveOut = nullptr);
    // Adds the document, or replaces the one with its id. Returns the replaced one's application
    // identifier (outer nothing when there was none).
    std::optional<std::optional<std::string>> upsert(const ClipboardSearchIndexDocument& document);
    void remove(const std::string& itemID);
    // Stores the access fields; a new sort time moves the document's rows to the rank of its new place.
    void updateAccess(const std::string& itemID, double sortAt, std::optional<double> lastAccessedAt,
                      std::int64_t accessCount);

private:
    struct Texts;
    struct Indexed;

    std::optional<Indexed> indexed(const std::string& itemID);
    Texts textsOf(std::int64_t docID);
    static Texts searchTexts(const ClipboardSearchIndexDocument& document);
    static Texts withoutNul(const Texts& texts);
    std::int64_t insertRow(const ClipboardSearchIndexDocument& document, const Texts& texts);
    void removeRow(const Indexed& document);
    void setRank(std::int64_t docID, std::int64_t rank);
    void clearRank(std::int64_t docID);
    std::vector<ClipboardSearchRankPlacement::Ranked> nearestRanked(double sortAt, std::int64_t docID,
                                                                    bool newer, std::int64_t most);
    void place(std::int64_t docID, double sortAt, const Texts& texts);
    void insertSearchRows(std::int64_t rank, const Texts& texts);
    void removeSearchRows(std::int64_t rank, const Texts& texts);
    void runSearchRows(std::vector<SQLiteStatement>& statements, bool removing, std::int64_t rank,
                       const Texts& texts);

    SQLiteDatabase& db_;
    std::optional<SQLiteStatement> insertDocument_;
    std::vector<SQLiteStatement> searchInserts_;
    std::vector<SQLiteStatement> searchRemoves_;
    std::optional<SQLiteStatement> insertSignature_;
    std::optional<SQLiteStatement> removeSignature_;
};

}  // namespace quorvane
