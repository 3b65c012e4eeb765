#include "searchindex/ClipboardSearchCandidateStreams.h"

#include <unicode/utf8.h>

#include <algorithm>

#include "searchindex/SearchStrings.h"
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
// `groups`, when given, names for each run the word of the query it lies in, or -1 for a run across the join
// of two words. Rows that hold each word somewhere are common and rows that hold them side by side are not,
// so the rarest run across a join is always matched; the others are the next rarest, at most one of each
// word, since the runs of one word mostly come together.
std::unique_ptr<RankStream> gramStream(SQLiteDatabase& db, std::vector<std::string> runs, const char* table,
                                       std::vector<int> groups = {}) {
    if (runs.empty()) {
        return std::make_unique<RankStream>(db, "SELECT rank FROM document_ranks ORDER BY rank;",
                                            std::vector<std::string>{});
    }
    if (runs.size() > kMostGramTerms) {
        runs.resize(kMostGramTerms);
        if (!groups.empty()) groups.resize(kMostGramTerms);
    }
    if (runs.size() > kRarestGrams) {
        std::vector<std::pair<std::pair<bool, std::int64_t>, std::size_t>> ranked;
        for (std::size_t i = 0; i < runs.size(); ++i) ranked.push_back({rarity(db, runs[i], table), i});
        std::sort(ranked.begin(), ranked.end(), std::greater<>());
        std::vector<std::size_t> chosen;
        if (!groups.empty()) {
            std::vector<int> taken;
            for (const auto& [measured, i] : ranked) {
                if (groups[i] != -1) continue;
                chosen.push_back(i);
                break;
            }
            for (const auto& [measured, i] : ranked) {
                if (chosen.size() >= kRarestGrams) break;
                if (std::find(chosen.begin(), chosen.end(), i) != chosen.end()) continue;
                if (groups[i] != -1) {
                    if (std::find(taken.begin(), taken.end(), groups[i]) != taken.end()) continue;
                    taken.push_back(groups[i]);
                }
                chosen.push_back(i);
            }
        }
        for (const auto& [measured, i] : ranked) {
            if (chosen.size() >= kRarestGrams) break;
            if (std::find(chosen.begin(), chosen.end(), i) == chosen.end()) chosen.push_back(i);
        }
        std::vector<std::string> rarest;
        for (const auto i : chosen) rarest.push_back(std::move(runs[i]));
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
        if (words.size() < 2) return gramStream(db, runs, "search_trigrams");
        // The word each run lies in, by the code point it starts at; -1 across a join.
        std::vector<int> wordAt;
        for (std::size_t w = 0; w < words.size(); ++w) {
            wordAt.insert(wordAt.end(), codePoints(words[w]).size(), static_cast<int>(w));
        }
        std::vector<int> groups(runs.size(), -1);
        for (std::size_t first = 0; first + 3 <= points.size() && first + 2 < wordAt.size(); ++first) {
            const char* from = points[first].data();
            const auto& last = points[first + 2];
            const std::string run(from, static_cast<std::size_t>(last.data() + last.size() - from));
            const auto at = std::find(runs.begin(), runs.end(), run) - runs.begin();
            // A run met both inside a word and across a join counts as a word's: it narrows no join.
            if (wordAt[first] == wordAt[first + 2]) groups[static_cast<std::size_t>(at)] = wordAt[first];
        }
        return gramStream(db, runs, "search_trigrams", groups);
    }
    if (points.size() == 2) runs.emplace_back(text);
    return gramStream(db, runs, "search_bigrams");
}

bool RankLookup::holds(std::int64_t rank) {
    if (!statement_) {
        statement_.emplace(
            db_.prepare("SELECT 1 FROM " + table_ + " WHERE " + table_ + " MATCH ? AND rowid = ?;"));
        statement_->bindText(1, match_);
    }
    statement_->reset();
    statement_->bindInt64(2, rank);
    const bool found = statement_->step();
    statement_->reset();
    return found;
}

Source wordSource(SQLiteDatabase& db, const std::string& match) {
    return {std::make_shared<SharedRanks>(
                std::make_unique<RankStream>(db, "SELECT rowid FROM search_words WHERE search_words MATCH ?;",
                                             std::vector<std::string>{match}),
                std::make_unique<RankLookup>(db, "search_words", match)),
            nullptr};
}

bool Membership::mayInclude(std::int64_t rank) {
    const bool walking = walkingPays();
    bool held = false;
    for (std::size_t i = 0; i < sources_.size() && !held; ++i) {
        const auto& ranks = *sources_[i].ranks;
        held = (!walking && ranks.canLookUp() && !ranks.covers(rank)) || reaches(i, rank);
    }
    if (walking) {
        ++probed_;
        held_ += held ? 1 : 0;
    }
    return held;
}

bool Membership::includes(const ClipboardSearchIndexRow& row) {
    if (!ClipboardSearchRowMatcher::passes(row, filters_)) return false;
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        auto& ranks = *sources_[i].ranks;
        if (sources_[i].test) {
            if (sources_[i].test(row)) return true;
        } else if (ranks.canLookUp() && !ranks.covers(row.rank) ? ranks.lookUp(row.rank)
                                                                : reaches(i, row.rank)) {
            return true;
        }
    }
    return false;
}

bool Membership::walkingPays() const {
    return !probe_ || probed_ < *probe_ || (probed_ > 0 && 2 * held_ <= probed_);
}

bool Membership::reaches(std::size_t source, std::int64_t rank) {
    while (const auto next = sources_[source].ranks->at(positions_[source])) {
        if (*next >= rank) return *next == rank;
        ++positions_[source];
    }
    return false;
}

Source gramSource(SQLiteDatabase& db, const std::string& compact, std::size_t characters) {
    const auto grams = search_strings::makeGrams(compact, {characters == 2 ? 2 : 3});
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
