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

std::vector<ClipboardHistoryIndexSnapshot> ClipboardHistorySnapshotRanking::filterAndRank(
    std::vector<ClipboardHistoryIndexSnapshot> snapshots, const std::string& searchQuery,
    std::optional<std::size_t> limit) {
    const std::string query = SearchTextNormalizer::normalize(searchQuery);
    std::vector<ClipboardHistoryIndexSnapshot> result;
    if (query.empty()) {
        std::sort(snapshots.begin(), snapshots.end(), snapshotOrder);
        result = std::move(snapshots);
    } else {
        const std::string compactQuery = withoutBlanks(query);
        const std::vector<std::string> terms = wordsOf(query);
        std::vector<std::pair<ClipboardHistoryIndexSnapshot, SearchMatchRank>> matches;
        for (auto& snapshot : snapshots) {
            const std::string text = SearchTextNormalizer::normalize(snapshot.searchText);
            const std::string compactText = withoutBlanks(text);
            const bool everyTerm = std::all_of(terms.begin(), terms.end(), [&](const std::string& term) {
                return contains(text, term) || contains(compactText, term);
            });
            if (!everyTerm) continue;
            SearchMatchRank rank;
            rank.phraseMatch = contains(text, query) || contains(compactText, compactQuery);
            rank.prefixMatch = text.starts_with(query) || compactText.starts_with(compactQuery);
            matches.emplace_back(std::move(snapshot), rank);
        }
        std::sort(matches.begin(), matches.end(), [](const auto& a, const auto& b) {
            return rankedSnapshotComparator(a.first, a.second, b.first, b.second);
        });
        result.reserve(matches.size());
        for (auto& match : matches) result.push_back(std::move(match.first));
    }
    if (limit && result.size() > *limit) result.resize(*limit);
    return result;
}

}  // namespace quorvane
