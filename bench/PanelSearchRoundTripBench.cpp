// One keystroke's round trip through the panel's view model on a 100,000-entry on-disk index: from the
// search text standing after the typing pause to the observers being told of the new page (parse, the
// search service's queue, the index query, the answer's hop back to the main queue, publication). The 60 ms
// typing pause itself is a fixed wait by design and is skipped with the fake clock: the latency the user
// sees is that pause plus the figures here. Reports p50 and p95.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "SearchCorpus.h"
#include "base/Logger.h"
#include "history/EmptyClipboardHistoryManager.h"
#include "history/EmptyClipboardHistoryRepository.h"
#include "model/SearchTextNormalizer.h"
#include "panel/model/ClipboardPanelViewModel.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "search/ClipboardSearchService.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"

namespace {

using namespace quorvane;

constexpr int kEntries = 100'000;

struct Index {
    bench::ScratchDirectory directory;
    std::shared_ptr<SQLiteClipboardSearchIndexStore> store;
};

Index& index() {
    static const std::unique_ptr<Index> built = [] {
        auto index = std::make_unique<Index>();
        const auto path = index->directory.path() / "clipboard_search.sqlite";
        {
            SQLiteClipboardSearchIndexStore store(path, std::make_shared<InMemoryUserDefaults>());
            store.rebuild(bench::corpus(kEntries));
        }
        index->store =
            std::make_shared<SQLiteClipboardSearchIndexStore>(path, std::make_shared<InMemoryUserDefaults>());
        return index;
    }();
    return *built;
}

// The search service over the shared index, answering on `loop`.
std::shared_ptr<ClipboardSearchService> searchService(Index& built,
                                                      const std::shared_ptr<ManualRunLoop>& loop,
                                                      const std::shared_ptr<InMemoryUserDefaults>& defaults) {
    return std::make_shared<ClipboardSearchService>(
        std::make_shared<EmptyClipboardHistoryRepository>(loop), built.store,
        ClipboardSearchIndexConfiguration{8192, 4096, true}, nullptr, defaults, loop);
}

void reportPercentiles(benchmark::State& state, std::vector<double>& milliseconds) {
    std::sort(milliseconds.begin(), milliseconds.end());
    const auto at = [&](double p) {
        return milliseconds[static_cast<std::size_t>(p * (milliseconds.size() - 1))];
    };
    state.counters["p50_ms"] = at(0.5);
    state.counters["p95_ms"] = at(0.95);
}

// Queries of one kind, typed in turn (consecutive ones differ, so none is dropped as a repeat).
void roundTrip(benchmark::State& state, std::vector<std::string> queries) {
    auto& built = index();
    FakeClock clock;
    // The search service posts its answers from its own thread; the loop below takes them on this one.
    auto loop = std::make_shared<ManualRunLoop>(clock);
    auto defaults = std::make_shared<InMemoryUserDefaults>();
    auto service = searchService(built, loop, defaults);
    InMemoryApplicationCatalog catalog;
    ClipboardAppIdentityResolver resolver(catalog, {}, "en_US.UTF-8");
    InMemoryPasteboard pasteboard;
    ClipboardPanelViewModel viewModel({std::make_shared<EmptyClipboardHistoryManager>(loop), service, *loop,
                                       pasteboard, *defaults, resolver, clock});
    bool published = false;
    auto subscription = viewModel.observe([&](ClipboardPanelViewModel::Changes changes) {
        if (changes.contains(ClipboardPanelViewModel::Property::clipboardItems) && !viewModel.isLoading()) {
            published = true;
        }
    });

    std::vector<double> milliseconds;
    std::size_t next = 0;
    std::size_t items = 0;
    for (auto _ : state) {
        published = false;
        viewModel.setSearchText(queries[next++ % queries.size()]);
        const auto start = std::chrono::steady_clock::now();
        loop->advance(ClipboardPanelViewModel::searchDebounceSeconds);
        while (!published) {
            if (loop->runUntilIdle() == 0) std::this_thread::yield();
        }
        milliseconds.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        items += viewModel.clipboardItems().size();
    }
    reportPercentiles(state, milliseconds);
    state.counters["items"] = static_cast<double>(items) / static_cast<double>(milliseconds.size());
    service->drain();
}

// The same queries asked of the search service directly, answered through the same main-queue hop: the
// difference to the round trip above is the view model's own share.
void serviceOnly(benchmark::State& state, std::vector<std::string> queries) {
    auto& built = index();
    FakeClock clock;
    auto loop = std::make_shared<ManualRunLoop>(clock);
    auto defaults = std::make_shared<InMemoryUserDefaults>();
    auto service = searchService(built, loop, defaults);
    std::vector<double> milliseconds;
    std::size_t next = 0;
    for (auto _ : state) {
        bool answered = false;
        const auto start = std::chrono::steady_clock::now();
        service->search(SearchTextNormalizer::normalize(queries[next++ % queries.size()]),
                        ClipboardPanelViewModel::pageSize, 0, [&](auto) { answered = true; });
        while (!answered) {
            if (loop->runUntilIdle() == 0) std::this_thread::yield();
        }
        milliseconds.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    reportPercentiles(state, milliseconds);
    service->drain();
}

const bool registered = [] {
    // The search service logs slow searches; those lines are not what is measured here.
    quorvane::Logger::setSink([](const std::string&) {});
    const std::vector<std::pair<const char*, std::vector<std::string>>> kinds = {
        {"keystroke/singleWord", {"clipboard", "deploy", "invoice", "gateway", "widget"}},
        {"keystroke/twoWords", {"meeting notes", "server timeout", "payment order", "merge branch"}},
        {"keystroke/chinese",
         {"\u5317\u4EAC", "\u4F1A\u8BAE\u8BB0\u5F55", "\u526A\u8D34\u677F", "\u9879\u76EE"}},
        {"keystroke/pinyin", {"beijing", "huiyi", "jiantieban", "xiangmu"}},
        {"keystroke/typeFilter", {"type:json token", "type:url draft", "type:json merge"}},
    };
    for (const auto& [name, queries] : kinds) {
        benchmark::RegisterBenchmark(name,
                                     [queries = queries](benchmark::State& s) { roundTrip(s, queries); })
            ->Iterations(60)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        const std::string service =
            std::string("serviceOnly") + (name + std::string_view("keystroke").size());
        benchmark::RegisterBenchmark(service.c_str(),
                                     [queries = queries](benchmark::State& s) { serviceOnly(s, queries); })
            ->Iterations(60)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
