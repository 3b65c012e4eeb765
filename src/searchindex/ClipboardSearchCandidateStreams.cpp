#include "searchindex/ClipboardSearchCandidateStreams.h"

#include <unicode/utf8.h>

#include <algorithm>

#include "searchindex/SQLiteClipboardSearchIndexStore.h"
#include "sqlite/SQLiteDatabase.h"

namespace quorvane::search_candidates {
namespace {

// A long query narrows its candidates well enough with the rarest of its first few grams; the rows are
// checked in full anyway.
constexpr std::size_t kMostGramTerms = 24;
constexpr std::size_t kRarestGrams = 3;
// Rows read of each gram to judge how rare it is.
constexpr std::int64_t kRarityProbe = 256;

// The runs of `size` code points of `text`, added to `runs` in order of first appearance.
void addRuns(std::string_view text, std::size_t size, std::vector<std::string>& runs) {
    const auto points = codePoints(text);
    for (std::size_t start = 0; start + size <= points.size(); ++start) {
        const char* first = points[start].data();
        const auto& last = points[start + size - 1];
        std::string run(first, static_cast<std::size_t>(last.data() + last.size() - first));
        if (std::find(runs.begin(), runs.end(), run) == runs.end()) runs.push_back(std::move(run));
    }
}

}  // namespace

std::string ftsString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

std::vector<std::string_view> codePoints(std::string_view text) {
    std::vector<std::string_view> points;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(std::min<std::size_t>(text.size(), INT32_MAX));
    for (int32_t i = 0; i < length;) {
        const int32_t start = i;
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        points.push_back(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
    }
    return points;
}

RankStream::RankStream(SQLiteDatabase& db, const std::string& sql, const std::vector<std::string>& texts)
    : statement_(db.prepare(sql)) {
    int index = 1;
    for (const auto& text : texts) statement_.bindText(index++, text);
}

std::optional<std::int64_t> RankStream::next() {
    if (done_) return std::nullopt;
    if (!statement_.step()) {
        done_ = true;
        return std::nullopt;
    }
    return statement_.columnInt64(0);
}

std::optional<std::int64_t> SharedRanks::at(std::size_t index) {
    while (ranks_.size() <= index && !done_) {
        if (const auto rank = stream_->next()) {
            ranks_.push_back(*rank);
        } else {
            done_ = true;
        }
    }
    if (index >= ranks_.size()) return std::nullopt;
    return ranks_[index];
}

namespace {

// How far back the kRarityProbe-th newest row holding `run` lies: larger is rarer, and a run held by fewer
// rows than that is rarer than any other (fewer rows rarer still).
std::pair<bool, std::int64_t> rarity(SQLiteDatabase& db, const std::string& run, const char* table) {
    auto probe = db.prepare(std::string("SELECT rowid FROM ") + table + " WHERE " + table +
                            " MATCH ? LIMIT " + std::to_string(kRarityProbe) + ";");
    probe.bindText(1, ftsString(run));
    std::int64_t rows = 0;
    std::int64_t last = 0;
    while (probe.step()) {
        ++rows;
        last = probe.columnInt64(0);
    }
    if (rows < kRarityProbe) return {true, -rows};
    return {false, last};
}

// A MATCH of ANDed quoted terms on one of the gram tables; every row when there is no term. FTS5 steps
// through every list of an AND, so only the rarest few runs are matched: the rows are checked in full anyway.
// `across`: runs that span two words of the query; the rarest of them is always matched, since rows that hold
// each word somewhere are common and rows that hold them side by side are not.
std::unique_ptr<RankStream> gramStream(SQLiteDatabase& db, std::vector<std::string> runs, const char* table,
                                       const std::vector<std::string>& across = {}) {
    if (runs.empty()) {
        return std::make_unique<RankStream>(db, "SELECT rank FROM document_ranks ORDER BY rank;",
                                            std::vector<std::string>{});
    }
    if (runs.size() > kMostGramTerms) runs.resize(kMostGramTerms);
    if (runs.size() > kRarestGrams) {
        std::vector<std::pair<std::pair<bool, std::int64_t>, std::size_t>> ranked;
        for (std::size_t i = 0; i < runs.size(); ++i) ranked.push_back({rarity(db, runs[i], table), i});
        std::sort(ranked.begin(), ranked.end(), std::greater<>());
        const auto spans = [&](std::size_t i) {
            return std::find(across.begin(), across.end(), runs[ranked[i].second]) != across.end();
        };
        for (std::size_t i = 0; i < ranked.size(); ++i) {
            if (!spans(i)) continue;
            std::rotate(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(i),
                        ranked.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            break;
        }
        std::vector<std::string> rarest;
        for (std::size_t i = 0; i < kRarestGrams; ++i) rarest.push_back(std::move(runs[ranked[i].second]));
        runs = std::move(rarest);
    }
    std::string match;
    for (const auto& run : runs) {
        if (!match.empty()) match += " AND ";
        match += ftsString(run);
    }
    return std::make_unique<RankStream>(
        db, std::string("SELECT rowid FROM ") + table + " WHERE " + table + " MATCH ?;",
        std::vector<std::string>{match});
}

}  // namespace

std::unique_ptr<RankStream> holdingStream(SQLiteDatabase& db, std::string_view text,
                                          const std::vector<std::string>& words) {
    std::vector<std::string> runs;
    const auto points = codePoints(text);
    if (points.size() >= 3) {
        addRuns(text, 3, runs);
        std::vector<std::string> across;
        std::size_t start = 0;
        for (std::size_t w = 0; w + 1 < words.size(); ++w) {
            start += codePoints(words[w]).size();
            for (std::size_t first = start >= 2 ? start - 2 : 0; first < start && first + 3 <= points.size();
                 ++first) {
                const char* from = points[first].data();
                const auto& last = points[first + 2];
                across.emplace_back(from, static_cast<std::size_t>(last.data() + last.size() - from));
            }
        }
        return gramStream(db, runs, "search_trigrams", across);
    }
    if (points.size() == 2) runs.emplace_back(text);
    return gramStream(db, runs, "search_bigrams");
}

Source wordSource(SQLiteDatabase& db, const std::string& match) {
    return {std::make_shared<SharedRanks>(
                std::make_unique<RankStream>(db, "SELECT rowid FROM search_words WHERE search_words MATCH ?;",
                                             std::vector<std::string>{match})),
            nullptr};
}

bool Membership::mayInclude(std::int64_t rank) {
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        if (reaches(i, rank)) return true;
    }
    return false;
}

bool Membership::includes(const ClipboardSearchIndexRow& row) {
    if (!ClipboardSearchRowMatcher::passes(row, filters_)) return false;
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        if (sources_[i].test ? sources_[i].test(row) : reaches(i, row.rank)) return true;
    }
    return false;
}

bool Membership::reaches(std::size_t source, std::int64_t rank) {
    while (const auto next = sources_[source].ranks->at(positions_[source])) {
        if (*next >= rank) return *next == rank;
        ++positions_[source];
    }
    return false;
}

Source gramSource(SQLiteDatabase& db, const std::string& compact, std::size_t characters) {
    const auto grams = SQLiteClipboardSearchIndexStore::makeGrams(compact, {characters == 2 ? 2 : 3});
    std::vector<std::string> list(grams.begin(), grams.end());
    std::vector<std::string> runs;
    for (const auto& gram : list) addRuns(gram, characters == 2 ? 2 : 3, runs);
    return {std::make_shared<SharedRanks>(
                gramStream(db, runs, characters == 2 ? "search_bigrams" : "search_trigrams")),
            [list](const ClipboardSearchIndexRow& row) {
                return ClipboardSearchRowMatcher::holdsAllGrams(row, list);
            }};
}

Source substringSource(SQLiteDatabase& db, const ClipboardSearchQueryText& query) {
    return {std::make_shared<SharedRanks>(holdingStream(db, query.compactText)),
            [query](const ClipboardSearchIndexRow& row) {
                return ClipboardSearchRowMatcher::holdsSubstring(row, query);
            }};
}

Source compactSource(SQLiteDatabase& db, const std::string& compact) {
    return {std::make_shared<SharedRanks>(holdingStream(db, compact)),
            [compact](const ClipboardSearchIndexRow& row) {
                return ClipboardSearchRowMatcher::holds(row.compactText, compact);
            }};
}

}  // namespace quorvane::search_candidates
