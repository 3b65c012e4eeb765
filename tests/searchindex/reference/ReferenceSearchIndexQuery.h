#pragma once

// The reference index's read statements (see ReferenceSearchIndexStore), built as SQL text with their ordered
// parameters: the recent page, the substring scan, the full-text query and the candidate unions of full-text
// and gram matches, each with the filter conditions. Every value is a parameter; nothing typed is spliced
// into the SQL. Pure.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "searchindex/ClipboardSearchFilterState.h"
#include "searchindex/ClipboardSearchQueryText.h"

namespace quorvane {

// One parameter: 32-bit integer, 64-bit integer or text.
using SQLiteBindingValue = std::variant<std::int32_t, std::int64_t, std::string>;

struct ReferenceSearchIndexQuery {
    std::string sql;
    std::vector<SQLiteBindingValue> parameters;

    // The filter state with the bundle identifiers its app value resolved to (absent: no app condition).
    struct Filters {
        ClipboardSearchFilterState state;
        std::optional<std::vector<std::string>> bundleIdentifiers;
        // The single-character query may scan compact texts when the type names a user classification.
        bool namesUserClassification = false;
    };

    static ReferenceSearchIndexQuery recent(std::int64_t limit, std::int64_t offset);
    // Entries whose texts contain the query; LIMIT `fetchLimit` OFFSET `offset`.
    static ReferenceSearchIndexQuery substring(const ClipboardSearchQueryText& query, const Filters& filters,
                                               std::int64_t fetchLimit, std::int64_t offset);
    // The first `limit` full-text matches in rank order.
    static ReferenceSearchIndexQuery fullText(const ClipboardSearchQueryText& query, const std::string& match,
                                              std::int64_t limit);
    // Full-text and gram candidates, ranked together; nothing when neither part applies.
    static std::optional<ReferenceSearchIndexQuery> textOnlyUnion(const ClipboardSearchQueryText& query,
                                                                  std::int64_t limit, std::int64_t offset);
    static std::optional<ReferenceSearchIndexQuery> textWithFiltersUnion(
        const ClipboardSearchQueryText& query, const Filters& filters, std::int64_t limit,
        std::int64_t offset);
    static ReferenceSearchIndexQuery filtersOnly(const Filters& filters, std::int64_t limit,
                                                 std::int64_t offset);

    // ORDER BY text: rows containing the query first, then rows starting with it, then newer, then larger
    // doc_id.
    static std::string rankingExpression(std::string_view alias);
    static std::vector<SQLiteBindingValue> rankingParameters(const ClipboardSearchQueryText& query);
    // Each token (split at "/") as a quoted prefix phrase, joined by AND; "" when there is none. Quotes are
    // doubled, so no token can reach the FTS5 query syntax.
    static std::string matchExpression(const std::vector<std::string>& tokens);
    // True when some code point is neither a letter, a mark nor a digit.
    static bool containsNonAlphanumeric(std::string_view text);
    // "AND (col = ? COLLATE NOCASE OR ...)"; "AND 0=1" for an empty list; "" without a list.
    static std::string bundleIdentifierClause(const std::optional<std::vector<std::string>>& ids,
                                              std::string_view column);

    // a + b, held at the largest 64-bit value instead of overflowing.
    static std::int64_t saturatingAdd(std::int64_t a, std::int64_t b);
};

}  // namespace quorvane
