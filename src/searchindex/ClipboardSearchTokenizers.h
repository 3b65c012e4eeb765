#pragma once

// The two FTS5 tokenizers of the search index that SQLite does not ship: "quorvane_bigram" (every run of two
// code points, for two-character substring queries) and "quorvane_heads" (the leading one to kHeadLength code
// points of a text, for "starts with"). A query string is one token: its whole text for bigrams, its first
// kHeadLength code points for heads. Register on every connection that reads or writes the index; call on
// that connection's thread.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;

namespace quorvane {

class ClipboardSearchTokenizers {
public:
    // Longest head indexed; a longer query is looked up by its first kHeadLength code points and checked
    // against the row's text.
    static constexpr std::size_t kHeadLength = 8;

    // Registers both tokenizers. Throws SQLiteError(execute) when the connection has no FTS5.
    static void registerWith(sqlite3* db);

    // The one token the word table's own tokenizer ("unicode61") makes of `text` in a query, or nothing when
    // it makes none or several.
    static std::optional<std::string> singleWordToken(sqlite3* db, std::string_view text);
};

}  // namespace quorvane
