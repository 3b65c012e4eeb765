#pragma once

// The read side of the search index: the recent page and the three kinds of search (text only, text with
// filters, filters only), giving the same pages as ranking every candidate row by "starts with", "contains",
// sort time and doc_id. Every full-text table is keyed by the document's rank (newest first), so candidate
// streams come out newest first and stop as soon as a page is full. Used by the index store on its read
// connection's queue; not thread-safe.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "searchindex/ClipboardSearchPage.h"
#include "searchindex/ClipboardSearchQueryText.h"
#include "searchindex/ClipboardSearchRowMatcher.h"
#include "sqlite/SQLiteStatement.h"

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

    explicit ClipboardSearchIndexReader(SQLiteDatabase& db) : db_(db) {}

    ClipboardSearchPage recent(std::int64_t limit, std::int64_t offset);
    ClipboardSearchPage textOnly(const ClipboardSearchQueryText& query, std::int64_t limit,
                                 std::int64_t offset);
    ClipboardSearchPage textWithFilters(const ClipboardSearchQueryText& query, const Filters& filters,
                                        std::int64_t limit, std::int64_t offset);
    // `sqlText` receives the statement run, for the log.
    ClipboardSearchPage filtersOnly(const Filters& filters, std::int64_t limit, std::int64_t offset,
                                    std::string* sqlText);

    // Each token (split at "/") as a quoted prefix phrase, joined by AND; "" when there is none.
    static std::string matchExpression(const std::vector<std::string>& tokens);
    // The same rows as matchExpression() on the word table, with each long prefix spelled out as the words
    // of the table it starts, when those are at most kMostWordTerms.
    std::string wordMatch(const std::vector<std::string>& tokens);
    // True when some code point is neither a letter, a mark nor a digit.
    static bool containsNonAlphanumeric(std::string_view text);
    // a + b, held at the largest 64-bit value instead of overflowing.
    static std::int64_t saturatingAdd(std::int64_t a, std::int64_t b);

    // Filter sets up to this size (and a few pages) are read whole through their own index, not streamed.
    static constexpr std::int64_t kSelectiveFilterRows = 2000;
    static constexpr std::size_t kMostWordTerms = 32;

private:
    std::string wordPrefix(std::string_view piece);

    SQLiteDatabase& db_;
    std::optional<SQLiteStatement> wordTerms_;
};

}  // namespace quorvane
