#include "history/ClipboardHistorySnapshotRanking.h"

#include <algorithm>
#include <string_view>

#include "model/SearchTextNormalizer.h"

namespace quorvane {

namespace {

std::string withoutBlanks(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

std::vector<std::string> wordsOf(const std::string& text) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        if (end > start) words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

}  // namespace

bool ClipboardHistorySnapshotRanking::snapshotOrder(const ClipboardHistoryIndexSnapshot& a,
                                                    const ClipboardHistoryIndexSnapshot& b) {
    if (a.sortAt() != b.sortAt()) return a.sortAt() > b.sortAt();
    if (a.createdAt != b.createdAt) return a.createdAt > b.createdAt;
    return a.id > b.id;
}

bool ClipboardHistorySnapshotRanking::rankedSnapshotComparator(const ClipboardHistoryIndexSnapshot& a,
                                                               const SearchMatchRank& rankA,
                                                               const ClipboardHistoryIndexSnapshot& b,
                                                               const SearchMatchRank& rankB) {
    if (rankA.phraseMatch != rankB.phraseMatch) return rankA.phraseMatch;
    if (rankA.prefixMatch != rankB.prefixMatch) return rankA.prefixMatch;
    return snapshotOrder(a, b);
}

ClipboardHistorySnapshotRanking::Matches::Matches(const std::string& searchQuery,
                                                  std::optional<std::size_t> limit)
    : query_(SearchTextNormalizer::normalize(searchQuery)),
      compactQuery_(withoutBlanks(query_)),
      terms_(wordsOf(query_)),
      limit_(limit) {}

bool ClipboardHistorySnapshotRanking::Matches::goesBefore(const Ranked& a, const Ranked& b) {
    return rankedSnapshotComparator(a.first, a.second, b.first, b.second);
}

void ClipboardHistorySnapshotRanking::Matches::offer(ClipboardHistoryIndexSnapshot snapshot) {
    if (limit_ && *limit_ == 0) return;
    SearchMatchRank rank;
    if (!query_.empty()) {
        const std::string text = SearchTextNormalizer::normalize(snapshot.searchText);
        const std::string compactText = withoutBlanks(text);
        const bool everyTerm = std::all_of(terms_.begin(), terms_.end(), [&](const std::string& term) {
            return contains(text, term) || contains(compactText, term);
        });
        if (!everyTerm) return;
        rank.phraseMatch = contains(text, query_) || contains(compactText, compactQuery_);
        rank.prefixMatch = text.starts_with(query_) || compactText.starts_with(compactQuery_);
    }
    Ranked candidate{std::move(snapshot), rank};
    if (!limit_) {
        kept_.push_back(std::move(candidate));
        return;
    }
    if (kept_.size() == *limit_) {
        if (!goesBefore(candidate, kept_.front())) return;
        std::pop_heap(kept_.begin(), kept_.end(), goesBefore);
        kept_.back() = std::move(candidate);
    } else {
        kept_.push_back(std::move(candidate));
    }
    std::push_heap(kept_.begin(), kept_.end(), goesBefore);
}

std::vector<ClipboardHistoryIndexSnapshot> ClipboardHistorySnapshotRanking::Matches::take() && {
    if (limit_) {
        std::sort_heap(kept_.begin(), kept_.end(), goesBefore);
    } else {
        std::sort(kept_.begin(), kept_.end(), goesBefore);
    }
    std::vector<ClipboardHistoryIndexSnapshot> result;
    result.reserve(kept_.size());
    for (auto& match : kept_) result.push_back(std::move(match.first));
    kept_.clear();
    return result;
}

std::vector<ClipboardHistoryIndexSnapshot> ClipboardHistorySnapshotRanking::filterAndRank(
    std::vector<ClipboardHistoryIndexSnapshot> snapshots, const std::string& searchQuery,
    std::optional<std::size_t> limit) {
    Matches matches(searchQuery, limit);
    for (auto& snapshot : snapshots) matches.offer(std::move(snapshot));
    return std::move(matches).take();
}

}  // namespace quorvane
