#include "searchindex/ClipboardSearchIndexReader.h"

#include <sqlite3.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <variant>

#include "base/Utf8.h"
#include "searchindex/ClipboardSearchCandidateStreams.h"
#include "searchindex/ClipboardSearchGramSignature.h"
#include "sqlite/SQLiteDatabase.h"

namespace quorvane {
namespace {

using namespace search_candidates;

using Matcher = ClipboardSearchRowMatcher;
using Row = ClipboardSearchIndexRow;

// Candidates that may contain the query, walked to before judging whether the walk rules enough out.
constexpr std::size_t kMembershipProbe = 8;

constexpr const char* kRowColumns =
    "d.doc_id, d.item_id, d.preview, d.created_at, d.sort_at, d.last_accessed_at, d.access_count, "
    "d.content_type, d.bundle_identifier, d.normalized_text, d.compact_text, d.pinyin_spaced, "
    "d.pinyin_compact, d.classification, r.rank";
constexpr int kRankColumn = 14;

std::string_view textView(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text == nullptr ? std::string_view()
                           : std::string_view(text, sqlite3_column_bytes(statement, column));
}

std::optional<std::string_view> optionalView(sqlite3_stmt* statement, int column) {
    if (sqlite3_column_type(statement, column) == SQLITE_NULL) return std::nullopt;
    return textView(statement, column);
}

// The current row of a statement with the kRowColumns layout; false when a required text is NULL or the
// content type is unknown (such rows are skipped).
bool readRow(sqlite3_stmt* statement, Row& row) {
    for (const int column : {1, 2, 7, 9, 10, 11, 12}) {
        if (sqlite3_column_type(statement, column) == SQLITE_NULL) return false;
    }
    row.contentType = textView(statement, 7);
    if (!clipboardContentTypeFromRawValue(std::string(row.contentType))) return false;
    row.rank = sqlite3_column_int64(statement, kRankColumn);
    row.normalizedText = textView(statement, 9);
    row.compactText = textView(statement, 10);
    row.pinyinSpaced = textView(statement, 11);
    row.pinyinCompact = textView(statement, 12);
    row.bundleIdentifier = optionalView(statement, 8);
    row.classification = optionalView(statement, 13);
    row.createdAt = sqlite3_column_double(statement, 3);
    return true;
}

ClipboardHistoryIndexSnapshot snapshotOf(sqlite3_stmt* statement, const Row& row) {
    ClipboardHistoryIndexSnapshot snapshot;
    snapshot.id = std::string(textView(statement, 1));
    snapshot.preview = std::string(textView(statement, 2));
    snapshot.searchText = std::string(row.normalizedText);
    snapshot.createdAt = Date(row.createdAt);
    if (sqlite3_column_type(statement, 5) != SQLITE_NULL) {
        snapshot.lastAccessedAt = Date(sqlite3_column_double(statement, 5));
    }
    snapshot.accessCount = std::max<std::int64_t>(sqlite3_column_int64(statement, 6), 0);
    snapshot.contentType = *clipboardContentTypeFromRawValue(std::string(row.contentType));
    if (row.bundleIdentifier) snapshot.bundleIdentifier = std::string(*row.bundleIdentifier);
    if (row.classification) snapshot.classification = std::string(*row.classification);
    return snapshot;
}

struct Ranked {
    std::int64_t rank;
    Matcher::Tier tier;
    ClipboardHistoryIndexSnapshot snapshot;
};

void sortByRelevance(std::vector<Ranked>& rows) {
    std::sort(rows.begin(), rows.end(), [](const Ranked& a, const Ranked& b) {
        if (a.tier != b.tier) return a.tier > b.tier;
        return a.rank < b.rank;
    });
}

ClipboardSearchPage pageOf(std::vector<Ranked>& rows, std::int64_t offset, std::int64_t limit) {
    std::vector<ClipboardHistoryIndexSnapshot> snapshots;
    snapshots.reserve(rows.size());
    for (auto& row : rows) snapshots.push_back(std::move(row.snapshot));
    return ClipboardSearchPage::page(std::move(snapshots), offset, limit);
}

// The candidate set of one search: the union of its sources, each row also passing the filters, ranked by
// tier and then rank.
class CandidateSet {
public:
    CandidateSet(SQLiteDatabase& db, const ClipboardSearchQueryText& query, const Matcher::Filters& filters)
        : db_(db),
          query_(query),
          filters_(filters),
          fetch_(
              db.prepare(std::string("SELECT ") + kRowColumns +
                         " FROM document_ranks r JOIN documents d ON d.doc_id = r.doc_id WHERE r.rank = ?;")),
          signature_(db.prepare("SELECT signature FROM document_grams WHERE rank = ?;")) {}

    void add(Source source) {
        sources_.push_back(std::move(source));
        positions_.push_back(0);
    }
    bool empty() const { return sources_.empty(); }

    // The rows from `offset` on, at most `limit` of them, with whether more follow.
    ClipboardSearchPage page(std::int64_t limit, std::int64_t offset) {
        const std::int64_t wanted = ClipboardSearchIndexReader::saturatingAdd(
            offset, ClipboardSearchIndexReader::saturatingAdd(limit, 1));
        while (static_cast<std::int64_t>(buffer_.size()) <= wanted && readNext()) {
        }
        if (exhausted_) {
            sortByRelevance(buffer_);
            return pageOf(buffer_, offset, limit);
        }
        auto rows = tiered(wanted);
        return pageOf(rows, offset, limit);
    }

    // Reads until `count` members are known or the set ends; the number known.
    std::size_t countUpTo(std::size_t count) {
        while (buffer_.size() < count && readNext()) {
        }
        return buffer_.size();
    }

    // Ranks every row of `statement` (kRowColumns layout, in rank order) that belongs to the set, whole.
    ClipboardSearchPage pageFromRows(SQLiteStatement& statement, std::int64_t limit, std::int64_t offset) {
        std::vector<Ranked> rows;
        Membership membership(sources_, filters_);
        Row row;
        while (statement.step()) {
            if (!readRow(statement.handle(), row) || !membership.includes(row)) continue;
            rows.push_back({row.rank, Matcher::tier(row, query_), snapshotOf(statement.handle(), row)});
        }
        sortByRelevance(rows);
        return pageOf(rows, offset, limit);
    }

private:
    // The next member in rank order into the buffer; false when the streams have ended.
    bool readNext() {
        while (true) {
            std::int64_t rank = 0;
            std::vector<bool> from;
            if (!nextRank(rank, from)) {
                exhausted_ = true;
                return false;
            }
            Row row;
            if (!fetch(rank, row) || !Matcher::passes(row, filters_)) continue;
            bool member = false;
            for (std::size_t i = 0; i < sources_.size() && !member; ++i) {
                member = from[i] && (!sources_[i].test || sources_[i].test(row));
            }
            if (!member) continue;
            buffer_.push_back({rank, Matcher::tier(row, query_), snapshotOf(fetch_.handle(), row)});
            return true;
        }
    }

    // The smallest rank any stream holds next, and which streams hold it.
    bool nextRank(std::int64_t& rank, std::vector<bool>& from) {
        bool any = false;
        for (std::size_t i = 0; i < sources_.size(); ++i) {
            const auto next = sources_[i].ranks->at(positions_[i]);
            if (next && (!any || *next < rank)) {
                rank = *next;
                any = true;
            }
        }
        if (!any) return false;
        from.assign(sources_.size(), false);
        for (std::size_t i = 0; i < sources_.size(); ++i) {
            const auto next = sources_[i].ranks->at(positions_[i]);
            if (next && *next == rank) {
                from[i] = true;
                ++positions_[i];
            }
        }
        return true;
    }

    // False when the row at `rank` cannot contain the query (so cannot start with it either), told from its
    // gram signature without reading the row: most candidates of a stream that only narrows are ruled out so.
    // Only words side by side need it: the runs of one word narrow its rows well enough by themselves.
    bool mayContain(std::int64_t rank) {
        if (query_.tokens.size() < 2) return true;
        signature_.reset();
        signature_.bindInt64(1, rank);
        if (!signature_.step()) return true;
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(signature_.handle(), 0));
        const std::string_view signature(
            bytes == nullptr ? "" : bytes,
            static_cast<std::size_t>(sqlite3_column_bytes(signature_.handle(), 0)));
        // The normalised query without its blanks is the compact one: one test covers both.
        return ClipboardSearchGramSignature::mayHold(signature, query_.compactText);
    }

    bool fetch(std::int64_t rank, Row& row) {
        fetch_.reset();
        fetch_.bindInt64(1, rank);
        return fetch_.step() && readRow(fetch_.handle(), row);
    }

    // The first `wanted` members in relevance order, for a set larger than that: the rows that start with
    // the query (newest first, from the heads table), then those that contain it, then the rest.
    std::vector<Ranked> tiered(std::int64_t wanted) {
        std::vector<Ranked> result;
        {
            std::string match = ftsString(query_.normalizedText);
            if (query_.compactText != query_.normalizedText) match += " OR " + ftsString(query_.compactText);
            RankStream heads(db_, "SELECT rowid FROM search_heads WHERE search_heads MATCH ?;", {match});
            // Rows that start with the query are few and spread over the whole index: they are looked up,
            // not walked to.
            Membership membership(sources_, filters_, 0);
            Row row;
            while (static_cast<std::int64_t>(result.size()) < wanted) {
                const auto rank = heads.next();
                if (!rank) break;
                if (!membership.mayInclude(*rank) || !mayContain(*rank) || !fetch(*rank, row) ||
                    Matcher::tier(row, query_) != Matcher::Tier::prefix || !membership.includes(row)) {
                    continue;
                }
                result.push_back({*rank, Matcher::Tier::prefix, snapshotOf(fetch_.handle(), row)});
            }
        }
        if (static_cast<std::int64_t>(result.size()) >= wanted) return result;
        const auto missing = static_cast<std::size_t>(wanted - static_cast<std::int64_t>(result.size()));
        std::vector<Ranked> containing;
        if (!readContaining(containing, missing)) return classifyInOrder(std::move(result), wanted);
        for (auto& row : containing) result.push_back(std::move(row));
        if (containing.size() >= missing) return result;
        // Every row that contains the query is known and they are too few: the rest follow in rank order.
        auto take = [&](Ranked&& row) {
            if (row.tier == Matcher::Tier::none) result.push_back(std::move(row));
        };
        for (auto& row : buffer_) {
            if (static_cast<std::int64_t>(result.size()) >= wanted) break;
            take(std::move(row));
        }
        buffer_.clear();
        while (static_cast<std::int64_t>(result.size()) < wanted && readNext()) {
            take(std::move(buffer_.back()));
            buffer_.clear();
        }
        return result;
    }

    // The prefix rows in `result`, then the set read in rank order, keeping the rows that contain the query
    // and, up to the page, the others: for queries whose rows that may contain them cannot be narrowed.
    std::vector<Ranked> classifyInOrder(std::vector<Ranked> result, std::int64_t wanted) {
        std::vector<Ranked> containing;
        std::vector<Ranked> rest;
        auto take = [&](Ranked&& row) {
            if (row.tier == Matcher::Tier::contains) {
                containing.push_back(std::move(row));
            } else if (row.tier == Matcher::Tier::none &&
                       static_cast<std::int64_t>(result.size() + rest.size()) < wanted) {
                rest.push_back(std::move(row));
            }
        };
        auto enough = [&] { return static_cast<std::int64_t>(result.size() + containing.size()) >= wanted; };
        for (auto& row : buffer_) {
            if (enough()) break;
            take(std::move(row));
        }
        buffer_.clear();
        while (!enough() && readNext()) {
            take(std::move(buffer_.back()));
            buffer_.clear();
        }
        for (auto* tier : {&containing, &rest}) {
            for (auto& row : *tier) {
                if (static_cast<std::int64_t>(result.size()) >= wanted) break;
                result.push_back(std::move(row));
            }
        }
        return result;
    }

    // The newest `most` members that contain the query without starting with it, in rank order, found among
    // the rows that may contain it; false when those cannot be narrowed (a query of one character).
    bool readContaining(std::vector<Ranked>& containing, std::size_t most) {
        if (codePoints(query_.compactText).size() < 2) return false;
        auto holding = holdingStream(db_, query_.compactText, query_.tokens);
        Membership membership(sources_, filters_, kMembershipProbe);
        Row row;
        while (containing.size() < most) {
            const auto rank = holding->next();
            if (!rank) break;
            if (!membership.mayInclude(*rank) || !mayContain(*rank) || !fetch(*rank, row) ||
                Matcher::tier(row, query_) != Matcher::Tier::contains || !membership.includes(row)) {
                continue;
            }
            containing.push_back({*rank, Matcher::Tier::contains, snapshotOf(fetch_.handle(), row)});
        }
        return true;
    }

    SQLiteDatabase& db_;
    const ClipboardSearchQueryText& query_;
    const Matcher::Filters& filters_;
    SQLiteStatement fetch_;
    SQLiteStatement signature_;
    std::vector<Source> sources_;
    // Where the walk stands in each source's ranks.
    std::vector<std::size_t> positions_;
    std::vector<Ranked> buffer_;
    bool exhausted_ = false;
};

struct Conditions {
    std::vector<std::string> texts;
    std::vector<std::variant<std::int64_t, std::string>> parameters;
};

Conditions conditionsOf(const Matcher::Filters& filters, const std::string& p) {
    Conditions c;
    if (filters.contentType) {
        c.texts.push_back("AND " + p + "content_type = ?");
        c.parameters.emplace_back(*filters.contentType);
    }
    if (filters.classification) {
        c.texts.push_back("AND " + p + "classification = ? COLLATE NOCASE");
        c.parameters.emplace_back(*filters.classification);
    }
    if (filters.bundleIdentifiers) {
        if (filters.bundleIdentifiers->empty()) {
            c.texts.push_back("AND 0=1");
        } else {
            std::string clause;
            for (const auto& id : *filters.bundleIdentifiers) {
                clause += (clause.empty() ? "" : " OR ") + p + "bundle_identifier = ? COLLATE NOCASE";
                c.parameters.emplace_back(id);
            }
            c.texts.push_back("AND (" + clause + ")");
        }
    }
    if (filters.lowerBound) {
        c.texts.push_back("AND " + p + "created_at >= ?");
        c.parameters.emplace_back(*filters.lowerBound);
    }
    if (filters.upperBound) {
        c.texts.push_back("AND " + p + "created_at < ?");
        c.parameters.emplace_back(*filters.upperBound);
    }
    return c;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const auto& part : parts) text += (text.empty() ? "" : " ") + part;
    return text;
}

int bindConditions(SQLiteStatement& statement, const Conditions& conditions) {
    int index = 1;
    for (const auto& value : conditions.parameters) {
        if (const auto* number = std::get_if<std::int64_t>(&value)) {
            statement.bindInt64(index++, *number);
        } else {
            statement.bindText(index++, std::get<std::string>(value));
        }
    }
    return index;
}

}  // namespace

std::int64_t ClipboardSearchIndexReader::saturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    }
    return sum;
}

bool ClipboardSearchIndexReader::containsNonAlphanumeric(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(std::min<std::size_t>(text.size(), INT32_MAX));
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) return true;
        const auto mask = U_GET_GC_MASK(c);
        if ((mask & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) == 0) return true;
    }
    return false;
}

ClipboardSearchPage ClipboardSearchIndexReader::recent(std::int64_t limit, std::int64_t offset) {
    if (limit < 1) return {};
    auto statement = db_.prepare(std::string("SELECT ") + kRowColumns +
                                 " FROM documents d JOIN document_ranks r ON r.doc_id = d.doc_id"
                                 " ORDER BY r.rank LIMIT ? OFFSET ?;");
    statement.bindInt64(1, saturatingAdd(limit, 1));
    statement.bindInt64(2, std::max<std::int64_t>(offset, 0));
    std::vector<ClipboardHistoryIndexSnapshot> rows;
    Row row;
    while (statement.step()) {
        if (readRow(statement.handle(), row)) rows.push_back(snapshotOf(statement.handle(), row));
    }
    return ClipboardSearchPage::page(std::move(rows), 0, limit);
}

ClipboardSearchPage ClipboardSearchIndexReader::textOnly(const ClipboardSearchQueryText& query,
                                                         std::int64_t limit, std::int64_t offset) {
    static const Matcher::Filters none;
    const std::int64_t fetchLimit = saturatingAdd(limit, 1);
    if (!query.normalizedText.empty() && containsNonAlphanumeric(query.compactText)) {
        CandidateSet set(db_, query, none);
        set.add(substringSource(db_, query));
        return set.page(limit, offset);
    }
    const std::string match = wordMatch_.expression(query.tokens);
    const std::size_t length = characterCountUpTo(query.compactText, 13);
    if (!query.tokens.empty() && !match.empty()) {
        CandidateSet words(db_, query, none);
        words.add(wordSource(db_, match));
        const std::size_t found = words.countUpTo(static_cast<std::size_t>(fetchLimit));
        // Whether full-text alone serves is decided against one page plus one row, never against the
        // offset: every page of one query then takes the same path.
        if (found >= static_cast<std::size_t>(fetchLimit)) return words.page(limit, offset);
        const bool gramsMayHelp = query.tokens.size() == 1 && query.normalizedText == query.compactText &&
                                  length >= 2 && (found == 0 || length <= 12);
        if (!gramsMayHelp) return words.page(limit, offset);
    }
    if (query.normalizedText.empty()) return {};
    CandidateSet set(db_, query, none);
    if (!query.tokens.empty() && !match.empty()) set.add(wordSource(db_, match));
    if (length >= 2) set.add(gramSource(db_, query.compactText, length));
    if (set.empty()) return {};
    return set.page(limit, offset);
}

ClipboardSearchPage ClipboardSearchIndexReader::textWithFilters(const ClipboardSearchQueryText& query,
                                                                const Filters& filters, std::int64_t limit,
                                                                std::int64_t offset) {
    const auto& conditions = filters.conditions;
    CandidateSet set(db_, query, conditions);
    if (containsNonAlphanumeric(query.compactText)) {
        set.add(substringSource(db_, query));
    } else {
        const std::string match = wordMatch_.expression(query.tokens);
        if (!match.empty()) set.add(wordSource(db_, match));
        const std::size_t length = characterCountUpTo(query.compactText, 3);
        if (length == 1 && conditions.classification && filters.namesUserClassification) {
            set.add(compactSource(db_, query.compactText));
        } else if (length >= 2) {
            set.add(gramSource(db_, query.compactText, length));
        }
    }
    if (set.empty()) return {};
    // A selective filter (an application, a classification, a date range) is cheaper to read whole through
    // its own index than to find among the text's candidates.
    if (conditions.classification || conditions.bundleIdentifiers || conditions.lowerBound ||
        conditions.upperBound) {
        const auto where = conditionsOf(conditions, "d.");
        auto count = db_.prepare("SELECT COUNT(*) FROM (SELECT 1 FROM documents d WHERE 1=1 " +
                                 joined(where.texts) + " LIMIT ?);");
        // Streaming reads about a page's worth of rows per fraction of rows the filter lets through; reading
        // the filter's rows pays off when they are few against the page.
        const std::int64_t wanted = saturatingAdd(saturatingAdd(offset, limit), 1);
        const std::int64_t cap = wanted >= kSelectiveFilterRows
                                     ? kSelectiveFilterRows
                                     : std::min(kSelectiveFilterRows, wanted * 4 + 200);
        count.bindInt64(bindConditions(count, where), cap + 1);
        if (count.step() && count.columnInt64(0) <= cap) {
            auto rows =
                db_.prepare(std::string("SELECT ") + kRowColumns +
                            " FROM documents d JOIN document_ranks r ON r.doc_id = d.doc_id WHERE 1=1 " +
                            joined(where.texts) + " ORDER BY r.rank;");
            bindConditions(rows, where);
            return set.pageFromRows(rows, limit, offset);
        }
    }
    return set.page(limit, offset);
}

ClipboardSearchPage ClipboardSearchIndexReader::filtersOnly(const Filters& filters, std::int64_t limit,
                                                            std::int64_t offset, std::string* sqlText) {
    const auto where = conditionsOf(filters.conditions, "");
    std::vector<std::string> parts = {
        "SELECT doc_id, item_id, preview, created_at, sort_at, last_accessed_at, access_count,",
        "content_type, bundle_identifier, normalized_text, compact_text, pinyin_spaced, pinyin_compact, "
        "classification",
        "FROM documents WHERE 1=1"};
    parts.insert(parts.end(), where.texts.begin(), where.texts.end());
    parts.push_back("ORDER BY sort_at DESC, doc_id DESC");
    parts.push_back("LIMIT ? OFFSET ?");
    const std::string sql = joined(parts);
    if (sqlText != nullptr) *sqlText = sql;
    auto statement = db_.prepare(sql);
    int index = bindConditions(statement, where);
    statement.bindInt64(index++, saturatingAdd(limit, 1));
    statement.bindInt64(index, offset);
    std::vector<ClipboardHistoryIndexSnapshot> rows;
    while (statement.step()) {
        // The columns of this statement stop before the rank; read the rest as the other queries do.
        if (sqlite3_column_type(statement.handle(), 7) == SQLITE_NULL) continue;
        Row row;
        bool complete = true;
        for (const int column : {1, 2, 9, 10, 11, 12}) {
            complete = complete && sqlite3_column_type(statement.handle(), column) != SQLITE_NULL;
        }
        row.contentType = textView(statement.handle(), 7);
        if (!complete || !clipboardContentTypeFromRawValue(std::string(row.contentType))) continue;
        row.normalizedText = textView(statement.handle(), 9);
        row.bundleIdentifier = optionalView(statement.handle(), 8);
        row.classification = optionalView(statement.handle(), 13);
        row.createdAt = sqlite3_column_double(statement.handle(), 3);
        rows.push_back(snapshotOf(statement.handle(), row));
    }
    return ClipboardSearchPage::page(std::move(rows), 0, limit);
}

}  // namespace quorvane
