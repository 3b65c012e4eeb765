#pragma once

// A search service that answers only when the test says so, and records every call. Main thread only.

#include <cstdint>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "search/ClipboardSearchServiceProtocol.h"

namespace quorvane::testing {

class ScriptedSearchService final : public ClipboardSearchServiceProtocol {
public:
    struct Call {
        bool isRecent = false;
        std::string query;
        std::int64_t limit = 0;
        std::int64_t offset = 0;
    };

    void fetchRecent(std::int64_t limit, std::int64_t offset, PageCompletion completion) override {
        calls.push_back({true, "", limit, offset});
        pending.push_back(std::move(completion));
    }
    void search(std::string query, std::int64_t limit, std::int64_t offset,
                PageCompletion completion) override {
        calls.push_back({false, std::move(query), limit, offset});
        pending.push_back(std::move(completion));
    }
    void rebuildIndex(RebuildCompletion) override {}
    void indexStats(StatsCompletion completion) override { completion({}); }
    void runtimeMetrics(MetricsCompletion completion) override { completion({}); }

    // Answers the oldest unanswered call.
    void answer(ClipboardSearchPage page) {
        next()(ClipboardSearchResult<ClipboardSearchPage>::success(std::move(page)));
    }
    void fail(const std::string& reason = "index is corrupt") {
        next()(ClipboardSearchResult<ClipboardSearchPage>::failure(
            std::make_exception_ptr(std::runtime_error(reason))));
    }
    void failWith(std::exception_ptr error) {
        next()(ClipboardSearchResult<ClipboardSearchPage>::failure(std::move(error)));
    }

    std::vector<Call> calls;
    std::deque<PageCompletion> pending;

private:
    PageCompletion next() {
        if (pending.empty()) throw std::logic_error("no search call is waiting for an answer");
        auto completion = std::move(pending.front());
        pending.pop_front();
        return completion;
    }
};

}  // namespace quorvane::testing
