#pragma once

// The word table's MATCH expression for a query's tokens: every piece of a token (split at "/") as a quoted
// prefix, the pieces joined by AND, and a prefix longer than the prefix indexes cover spelled out as the few
// whole words it starts. Used by the index reader on its read connection; not thread-safe.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sqlite/SQLiteStatement.h"

namespace quorvane {

class SQLiteDatabase;

class ClipboardSearchWordMatch {
public:
    // `db` holds the index's tables and our tokenizers, and outlives this object.
    explicit ClipboardSearchWordMatch(SQLiteDatabase& db) : db_(db) {}

    // Each piece as a quoted prefix phrase, joined by AND; "" when there is none.
    static std::string prefixExpression(const std::vector<std::string>& tokens);
    // The same rows as prefixExpression() on the word table, with each long prefix spelled out as the words
    // of the table it starts, when those are at most kMostWordTerms; "" when there is no piece.
    std::string expression(const std::vector<std::string>& tokens);

    static constexpr std::size_t kMostWordTerms = 32;

private:
    std::string wordPrefix(std::string_view piece);

    SQLiteDatabase& db_;
    std::optional<SQLiteStatement> wordTerms_;
};

}  // namespace quorvane
