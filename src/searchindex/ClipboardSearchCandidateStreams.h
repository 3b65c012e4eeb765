#pragma once

// Where a search finds its candidates: streams of document ranks read from the full-text tables in their
// natural ascending order (newest first), so a search stops reading as soon as its page is full. Used by
// the index reader on its connection; not thread-safe.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "searchindex/ClipboardSearchIndexRow.h"
#include "searchindex/ClipboardSearchQueryText.h"
#include "searchindex/ClipboardSearchRowMatcher.h"
#include "sqlite/SQLiteStatement.h"

namespace quorvane {

class SQLiteDatabase;

namespace search_candidates {

// FTS5 string syntax: the text in double quotes, quotes doubled, so nothing typed reaches the query syntax.
std::string ftsString(std::string_view text);
// The UTF-8 code points of `text`, as views into it.
std::vector<std::string_view> codePoints(std::string_view text);

// Rows come out of a statement whose first column is the rank, in ascending rank order.
class RankStream {
public:
    RankStream(SQLiteDatabase& db, const std::string& sql, const std::vector<std::string>& texts);
    std::optional<std::int64_t> next();

private:
    SQLiteStatement statement_;
    bool done_ = false;
};

// Whether one row of a MATCH holds, asked of the full-text table by rank: FTS5 seeks each term's list to
// the rank through its doclist index instead of reading the lists up to it.
class RankLookup {
public:
    RankLookup(SQLiteDatabase& db, std::string table, std::string match)
        : db_(db), table_(std::move(table)), match_(std::move(match)) {}
    bool holds(std::int64_t rank);

private:
    SQLiteDatabase& db_;
    std::string table_;
    std::string match_;
    std::optional<SQLiteStatement> statement_;
};

// The ranks of one stream, read once and kept: the candidate walk and the membership tests of rows found
// elsewhere share them, so no MATCH runs twice in one search.
class SharedRanks {
public:
    explicit SharedRanks(std::unique_ptr<RankStream> stream, std::unique_ptr<RankLookup> lookup = nullptr)
        : stream_(std::move(stream)), lookup_(std::move(lookup)) {}
    // The rank at `index`, reading as far as needed; nothing past the end.
    std::optional<std::int64_t> at(std::size_t index);
    // Whether the ranks read so far tell if `rank` is in the stream (it was reached, or the stream ended).
    bool covers(std::int64_t rank) const { return done_ || (!ranks_.empty() && ranks_.back() >= rank); }
    // Asks the table for one rank the stream has not reached; false when there is no lookup.
    bool canLookUp() const { return lookup_ != nullptr; }
    bool lookUp(std::int64_t rank) { return lookup_->holds(rank); }

private:
    std::unique_ptr<RankStream> stream_;
    std::unique_ptr<RankLookup> lookup_;
    std::vector<std::int64_t> ranks_;
    bool done_ = false;
};

// One way of finding candidates: a stream of ranks that holds every member (and maybe more) and the exact
// test of a row it yields. Word matches have no test on the row: their stream is exact, and a row found
// elsewhere is looked up by walking a second stream of the same match (see Membership).
struct Source {
    std::shared_ptr<SharedRanks> ranks;
    std::function<bool(const ClipboardSearchIndexRow&)> test;
};

// The rows of a MATCH expression on the word table.
Source wordSource(SQLiteDatabase& db, const std::string& match);
// The rows holding every gram (of two characters when `characters` is 2, else three) of `compact`.
Source gramSource(SQLiteDatabase& db, const std::string& compact, std::size_t characters);
// The rows holding the query as a substring (normalised or compact).
Source substringSource(SQLiteDatabase& db, const ClipboardSearchQueryText& query);
// The rows whose compact text holds `compact`.
Source compactSource(SQLiteDatabase& db, const std::string& compact);

// Rows whose compact or pinyin text may hold `text`: a superset, narrowed by code point grams.
// `words`: the words whose concatenation `text` is, when it is a query's compact text.
std::unique_ptr<RankStream> holdingStream(SQLiteDatabase& db, std::string_view text,
                                          const std::vector<std::string>& words = {});

// Whether rows found by another stream belong to a set, asked in ascending rank order. A prefix MATCH
// looked up row by row would merge its term lists anew each time; walking the match's own ranks is cheaper
// when most rows are asked about. A sparse stream of candidates may run to the end of the index, though,
// and the walk would read the word lists to the end for a few rows: with `probe` set, once that many ranks
// asked about show that the walk rules out fewer than half, mayInclude() stops walking and includes()
// looks up a rank the walk has not reached in the table.
class Membership {
public:
    Membership(const std::vector<Source>& sources, const ClipboardSearchRowMatcher::Filters& filters,
               std::optional<std::size_t> probe = std::nullopt)
        : sources_(sources), filters_(filters), positions_(sources.size(), 0), probe_(probe) {}

    // False when no source can hold the rank, so the row need not be read. With `lookUpAhead`, a rank past
    // what the walks have read may be included (includes() decides).
    bool mayInclude(std::int64_t rank);
    bool includes(const ClipboardSearchIndexRow& row);

private:
    bool reaches(std::size_t source, std::int64_t rank);
    bool walkingPays() const;

    const std::vector<Source>& sources_;
    const ClipboardSearchRowMatcher::Filters& filters_;
    std::vector<std::size_t> positions_;
    std::optional<std::size_t> probe_;
    // Ranks mayInclude() walked to, and how many of them some source held.
    std::size_t probed_ = 0;
    std::size_t held_ = 0;
};

}  // namespace search_candidates
}  // namespace quorvane
