// Latency of the index queries on a seeded on-disk corpus of 10,000 and 100,000 entries of about 500
// characters: p50 and p95 per kind of search and for the recent page, with the index file size.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>

#include "SearchCorpus.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"

namespace {

using quorvane::ClipboardSearchFilter;
using quorvane::ClipboardSearchFilterKind;
using quorvane::ClipboardSearchQueryText;
using quorvane::SQLiteClipboardSearchIndexStore;

constexpr std::int64_t kPageSize = 50;

struct Corpus {
    bench::ScratchDirectory directory;
    std::unique_ptr<SQLiteClipboardSearchIndexStore> store;
    double bytesPerDocument = 0;
    double megabytes = 0;
};

// One index per corpus size, built on first use and kept for the whole run.
Corpus& corpus(int size) {
    static std::map<int, std::unique_ptr<Corpus>> built;
    auto& slot = built[size];
    if (!slot) {
        slot = std::make_unique<Corpus>();
        const auto path = slot->directory.path() / "clipboard_search.sqlite";
        auto store = std::make_unique<SQLiteClipboardSearchIndexStore>(
            path, std::make_shared<quorvane::InMemoryUserDefaults>());
        store->rebuild(bench::corpus(size));
        store.reset();  // checkpoint, so the file size is the index's
        slot->megabytes = static_cast<double>(bench::databaseBytes(path)) / 1e6;
        slot->bytesPerDocument = slot->megabytes * 1e6 / size;
        slot->store = std::make_unique<SQLiteClipboardSearchIndexStore>(
            path, std::make_shared<quorvane::InMemoryUserDefaults>());
    }
    return *slot;
}

struct Kind {
    std::vector<std::string> texts;
    std::vector<ClipboardSearchFilter> filters;
    std::int64_t offset = 0;
    bool recent = false;
};

ClipboardSearchFilter filter(ClipboardSearchFilterKind kind, const std::string& value) {
    return {kind, value, false, ""};
}

// Several queries per kind, taken in turn, so one lucky cached query does not stand for the kind.
const std::map<std::string, Kind>& kinds() {
    using K = ClipboardSearchFilterKind;
    static const std::map<std::string, Kind> list = {
        {"singleWord", {{"clipboard", "deploy", "invoice", "gateway", "widget"}, {}}},
        {"twoWords", {{"meeting notes", "server timeout", "payment order", "merge branch"}, {}}},
        {"punctuatedSubstring", {{"example.com/cache", "->update(", "\"token\":", "q=draft"}, {}}},
        {"twoCharacters", {{"qu", "ck", "ew", "xy"}, {}}},
        {"chinese", {{"\u5317\u4EAC", "\u4F1A\u8BAE\u8BB0\u5F55", "\u526A\u8D34\u677F", "\u9879\u76EE"}, {}}},
        {"pinyin", {{"beijing", "huiyi", "jiantieban", "xiangmu"}, {}}},
        {"filterTypeText", {{"report"}, {filter(K::type, "text")}}},
        {"filterTypeJson", {{"token"}, {filter(K::type, "JSON")}}},
        {"filterTypeOnly", {{""}, {filter(K::type, "URL")}}},
        {"filterApp", {{"session"}, {filter(K::app, "firefox")}}},
        {"filterAfter", {{"budget"}, {filter(K::after, "week")}}},
        {"filterBefore", {{"kernel"}, {filter(K::before, "yesterday")}}},
        {"singleWordPage5", {{"clipboard", "deploy", "invoice", "gateway", "widget"}, {}, 4 * kPageSize}},
        {"recentPage", {{""}, {}, 0, true}},
    };
    return list;
}

void searchKind(benchmark::State& state, const std::string& name) {
    auto& c = corpus(static_cast<int>(state.range(0)));
    const Kind& kind = kinds().at(name);
    std::vector<ClipboardSearchQueryText> queries;
    for (const auto& text : kind.texts) queries.push_back(ClipboardSearchQueryText(text));
    std::vector<double> milliseconds;
    std::size_t next = 0;
    std::size_t found = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const auto page = kind.recent ? c.store->fetchRecent(kPageSize, kind.offset)
                                      : c.store->search(queries[next++ % queries.size()], kind.filters,
                                                        kPageSize, kind.offset);
        milliseconds.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        found += page.items.size();
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    const auto at = [&](double p) {
        return milliseconds[static_cast<std::size_t>(p * (milliseconds.size() - 1))];
    };
    state.counters["p50_ms"] = at(0.5);
    state.counters["p95_ms"] = at(0.95);
    state.counters["items"] = static_cast<double>(found) / static_cast<double>(milliseconds.size());
    state.counters["index_MB"] = c.megabytes;
    state.counters["bytes_per_doc"] = c.bytesPerDocument;
}

const bool registered = [] {
    for (const auto& [name, kind] : kinds()) {
        benchmark::RegisterBenchmark(name.c_str(),
                                     [name = name](benchmark::State& s) { searchKind(s, name); })
            ->Arg(10'000)
            ->Arg(100'000)
            ->Iterations(40)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
