#pragma once

// A search service over a FakeHistoryManager's entries: recent entries, or those whose text holds every
// plain word of the query (filter words such as "type:text" are left to the filters and ignored here).
// Pages answer on the next main-queue turn, like the real service's. Main thread only.

#include <QString>
#include <QStringList>
#include <algorithm>
#include <string>
#include <vector>

#include "panel/support/FakeHistoryManager.h"
#include "platform/MainQueue.h"
#include "search/ClipboardSearchServiceProtocol.h"

namespace quorvane::testing {

class HistoryListSearchService final : public ClipboardSearchServiceProtocol {
public:
    HistoryListSearchService(MainQueue& queue, const FakeHistoryManager& history)
        : queue_(queue), history_(history) {}

    void fetchRecent(std::int64_t limit, std::int64_t offset, PageCompletion completion) override {
        search("", limit, offset, std::move(completion));
    }
    void search(std::string query, std::int64_t limit, std::int64_t offset,
                PageCompletion completion) override {
        QStringList words = QString::fromStdString(query).toLower().split(' ', Qt::SkipEmptyParts);
        words.removeIf([](const QString& word) { return word.contains(':'); });
        std::vector<ClipboardHistoryIndexSnapshot> found;
        for (const auto& entry : history_.entries) {
            const QString text = QString::fromStdString(entry.searchText).toLower();
            if (std::all_of(words.begin(), words.end(), [&](const QString& w) { return text.contains(w); }))
                found.push_back(entry);
        }
        const auto start = std::min<std::size_t>(std::size_t(offset), found.size());
        const auto end = std::min<std::size_t>(start + std::size_t(limit), found.size());
        ClipboardSearchPage page{{found.begin() + std::ptrdiff_t(start), found.begin() + std::ptrdiff_t(end)},
                                 end < found.size()};
        queue_.post([completion = std::move(completion), page = std::move(page)] {
            completion(ClipboardSearchResult<ClipboardSearchPage>::success(page));
        });
    }
    void rebuildIndex(RebuildCompletion) override {}
    void indexStats(StatsCompletion completion) override { completion({}); }
    void runtimeMetrics(MetricsCompletion completion) override { completion({}); }

private:
    MainQueue& queue_;
    const FakeHistoryManager& history_;
};

}  // namespace quorvane::testing
