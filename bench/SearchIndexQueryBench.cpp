// The index store side by side with the reference statements it replaced, on the same seeded corpus of
// entries of about 500 characters, in one process: p50/p95 per kind of search and for the recent page,
// upsert p50/p95 into the built index, the rebuild time, the file size per entry and the process's memory.
// Sizes come from QUORVANE_BENCH_SIZES (default "10000,100000,1000000"); the reference is built only up to
// QUORVANE_BENCH_REFERENCE_MAX entries (default 100000: it takes minutes per 100,000). With
// QUORVANE_BENCH_DIR set, the current index of each size is kept there and reused by later runs. With
// QUORVANE_BENCH_EACH_RUN=1 every search's time is printed with its text, which tells a query's first run,
// whose pages are not cached yet, from the others.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>

#include "ProcessStatus.h"
#include "SearchCorpus.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"
#include "searchindex/reference/ReferenceSearchIndexStore.h"

namespace {

using quorvane::ClipboardSearchFilter;
using quorvane::ClipboardSearchFilterKind;
using quorvane::ClipboardSearchIndexStoreProtocol;
using quorvane::ClipboardSearchQueryText;

constexpr std::int64_t kPageSize = 50;

int referenceMax() {
    const char* text = std::getenv("QUORVANE_BENCH_REFERENCE_MAX");
    return text != nullptr ? std::stoi(text) : 100'000;
}

using bench::statusKilobytes;

bool eachRun() {
    static const bool set = [] {
        const char* text = std::getenv("QUORVANE_BENCH_EACH_RUN");
        return text != nullptr && std::string(text) == "1";
    }();
    return set;
}

struct Index {
    std::unique_ptr<ClipboardSearchIndexStoreProtocol> store;
    double rebuildSeconds = 0;
    double bytesPerEntry = 0;
};

struct Corpus {
    bench::ScratchDirectory directory;
    Index current;
    Index reference;
};

template <class Store>
Index build(const std::filesystem::path& path,
            const std::vector<quorvane::ClipboardSearchIndexDocument>& documents) {
    Index index;
    auto store = std::make_unique<Store>(path, std::make_shared<quorvane::InMemoryUserDefaults>());
    const auto start = std::chrono::steady_clock::now();
    store->rebuild(documents);
    index.rebuildSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    store.reset();  // checkpoint, so the file size is the index's
    index.bytesPerEntry =
        static_cast<double>(bench::databaseBytes(path)) / static_cast<double>(documents.size());
    index.store = std::make_unique<Store>(path, std::make_shared<quorvane::InMemoryUserDefaults>());
    return index;
}

// The current index of one size, filled a batch at a time (a million documents do not fit in memory at
// once), or opened from QUORVANE_BENCH_DIR when an earlier run left it there.
Index buildCurrent(const std::filesystem::path& scratch, int size) {
    const char* kept = std::getenv("QUORVANE_BENCH_DIR");
    const auto path = kept != nullptr
                          ? std::filesystem::path(kept) / ("query-" + std::to_string(size) + ".sqlite")
                          : scratch / "clipboard_search.sqlite";
    Index index;
    if (kept == nullptr || !std::filesystem::exists(path)) {
        const auto partial = std::filesystem::path(path.string() + ".partial");
        {
            quorvane::SQLiteClipboardSearchIndexStore store(
                partial, std::make_shared<quorvane::InMemoryUserDefaults>());
            bench::CorpusBatches batches(size);
            const auto start = std::chrono::steady_clock::now();
            store.rebuildInBatches([&](const ClipboardSearchIndexStoreProtocol::DocumentBatch& add) {
                for (auto batch = batches.next(10'000); !batch.empty(); batch = batches.next(10'000))
                    add(batch);
            });
            index.rebuildSeconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        std::filesystem::rename(partial, path);
    }
    index.bytesPerEntry = static_cast<double>(bench::databaseBytes(path)) / static_cast<double>(size);
    // The upserts write into the index: a kept file is measured through a copy, so it stays as made.
    auto used = path;
    if (kept != nullptr) {
        used = scratch / "clipboard_search.sqlite";
        std::filesystem::copy_file(path, used);
    }
    index.store = std::make_unique<quorvane::SQLiteClipboardSearchIndexStore>(
        used, std::make_shared<quorvane::InMemoryUserDefaults>());
    return index;
}

// Both indexes of one corpus size, built on first use and kept for the whole run.
Corpus& corpus(int size) {
    static std::map<int, std::unique_ptr<Corpus>> built;
    auto& slot = built[size];
    if (!slot) {
        slot = std::make_unique<Corpus>();
        slot->current = buildCurrent(slot->directory.path(), size);
        if (size <= referenceMax()) {
            slot->reference = build<quorvane::ReferenceSearchIndexStore>(
                slot->directory.path() / "reference.sqlite", bench::corpus(size));
        }
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
const std::vector<std::pair<std::string, Kind>>& kinds() {
    using K = ClipboardSearchFilterKind;
    static const std::vector<std::pair<std::string, Kind>> list = {
        {"recentPage", {{""}, {}, 0, true}},
        {"singleWord", {{"clipboard", "deploy", "invoice", "gateway", "widget"}, {}}},
        {"singleWordPage5", {{"clipboard", "deploy", "invoice", "gateway", "widget"}, {}, 4 * kPageSize}},
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
    };
    return list;
}

void record(benchmark::State& state, std::vector<double> milliseconds) {
    std::sort(milliseconds.begin(), milliseconds.end());
    const auto at = [&](double p) {
        return milliseconds[static_cast<std::size_t>(p * static_cast<double>(milliseconds.size() - 1))];
    };
    state.counters["p50_ms"] = at(0.5);
    state.counters["p95_ms"] = at(0.95);
}

void searchKind(benchmark::State& state, const Kind& kind, bool reference) {
    auto& c = corpus(static_cast<int>(state.range(0)));
    Index& index = reference ? c.reference : c.current;
    if (!index.store) {
        state.SkipWithError("reference not built at this size");
        return;
    }
    std::vector<ClipboardSearchQueryText> queries;
    for (const auto& text : kind.texts) queries.push_back(ClipboardSearchQueryText(text));
    std::vector<double> milliseconds;
    std::size_t next = 0;
    std::size_t found = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const auto page = kind.recent ? index.store->fetchRecent(kPageSize, kind.offset)
                                      : index.store->search(queries[next++ % queries.size()], kind.filters,
                                                            kPageSize, kind.offset);
        milliseconds.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (eachRun()) {
            std::fprintf(stderr, "%s/%lld \"%s\" %.2f ms\n", reference ? "reference" : "current",
                         static_cast<long long>(state.range(0)),
                         kind.recent ? "" : kind.texts[(next - 1) % kind.texts.size()].c_str(),
                         milliseconds.back());
        }
        found += page.items.size();
    }
    record(state, std::move(milliseconds));
    state.counters["items"] = static_cast<double>(found) / static_cast<double>(state.iterations());
    state.counters["rebuild_s"] = index.rebuildSeconds;
    state.counters["bytes_per_entry"] = index.bytesPerEntry;
    state.counters["rss_MB"] = statusKilobytes("VmRSS") / 1024;
    state.counters["anon_MB"] = statusKilobytes("RssAnon") / 1024;
}

// New entries, the newest each time, into the built index (run after the searches of its size).
void upsert(benchmark::State& state, bool reference) {
    auto& c = corpus(static_cast<int>(state.range(0)));
    Index& index = reference ? c.reference : c.current;
    if (!index.store) {
        state.SkipWithError("reference not built at this size");
        return;
    }
    const auto documents = bench::corpus(200);
    std::vector<double> milliseconds;
    std::size_t next = 0;
    static int serial = 0;
    for (auto _ : state) {
        auto document = documents[next++ % documents.size()];
        document.id = "upserted-" + std::to_string(serial++);
        document.createdAt = document.sortAt =
            quorvane::Date(static_cast<double>(std::time(nullptr)) + serial);
        const auto start = std::chrono::steady_clock::now();
        index.store->upsert(document);
        milliseconds.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    record(state, std::move(milliseconds));
}

const bool registered = [] {
    for (const int size : bench::sizes("10000,100000,1000000")) {
        for (const bool reference : {false, true}) {
            const std::string side = reference ? "reference/" : "current/";
            for (const auto& [name, kind] : kinds()) {
                benchmark::RegisterBenchmark(
                    (side + name).c_str(),
                    [kind = kind, reference](benchmark::State& s) { searchKind(s, kind, reference); })
                    ->Arg(size)
                    ->Iterations(40)
                    ->UseRealTime()
                    ->Unit(benchmark::kMillisecond);
            }
            benchmark::RegisterBenchmark((side + "upsert").c_str(),
                                         [reference](benchmark::State& s) { upsert(s, reference); })
                ->Arg(size)
                ->Iterations(100)
                ->UseRealTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
