#pragma once

// The read side of the search index: the recent page and the three kinds of search (text only, text with
// filters, filters only), giving the same pages as ranking every candidate row by "starts with", "contains",
// sort time and doc_id. Every full-text table is keyed by the document's rank (newest first), so candidate
// streams come out newest first and stop as soon as a page is full. Used by the index store on its read
// connection's queue; not thread-safe.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "searchindex/ClipboardSearchPage.h"
#include "searchindex/ClipboardSearchQueryText.h"
#include "searchindex/ClipboardSearchRowMatcher.h"
#include "searchindex/ClipboardSearchWordMatch.h"

namespace quorvane {

class SQLiteDatabase;

class ClipboardSearchIndexReader {
public:
    // The filters of a search with what the store resolved for them.
    struct Filters {
        ClipboardSearchRowMatcher::Filters conditions;
        // A one-character query may look at compact texts when the type names a user classification.
        bool namesUserClassification = false;
    };

    explicit ClipboardSearchIndexReader(SQLiteDatabase& db) : db_(db), wordMatch_(db) {}

    ClipboardSearchPage recent(std::int64_t limit, std::int64_t offset);
    ClipboardSearchPage textOnly(const ClipboardSearchQueryText& query, std::int64_t limit,
                                 std::int64_t offset);
    ClipboardSearchPage textWithFilters(const ClipboardSearchQueryText& query, const Filters& filters,
                                        std::int64_t limit, std::int64_t offset);
    // `sqlText` receives the statement run, for the log.
    ClipboardSearchPage filtersOnly(const Filters& filters, std::int64_t limit, std::int64_t offset,
                                    std::string* sqlText);

    // True when some code point is neither a letter, a mark nor a digit.
    static bool containsNonAlphanumeric(std::string_view text);
    // a + b, held at the largest 64-bit value instead of overflowing.
    static std::int64_t saturatingAdd(std::int64_t a, std::int64_t b);

    // Filter sets up to this size (and a few pages) are read whole through their own index, not streamed.
    static constexpr std::int64_t kSelectiveFilterRows = 2000;

private:
    SQLiteDatabase& db_;
    ClipboardSearchWordMatch wordMatch_;
};

}  // namespace quorvane
