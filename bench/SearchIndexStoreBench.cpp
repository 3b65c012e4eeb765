// Write cost of the search index: building documents, upserting new and re-indexed entries, and a full
// rebuild of 10,000 entries of about 500 characters, with the index size per document.

#include <benchmark/benchmark.h>

#include <memory>

#include "SearchCorpus.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"

namespace {

using quorvane::SQLiteClipboardSearchIndexStore;

std::unique_ptr<SQLiteClipboardSearchIndexStore> openStore(const bench::ScratchDirectory& directory) {
    return std::make_unique<SQLiteClipboardSearchIndexStore>(
        directory.path() / "clipboard_search.sqlite", std::make_shared<quorvane::InMemoryUserDefaults>());
}

void buildDocuments(benchmark::State& state) {
    std::mt19937 random(7);
    std::vector<quorvane::ClipboardSearchSourceDocument> sources;
    for (int i = 0; i < 100; ++i) sources.push_back(bench::sourceDocument(random, i));
    const quorvane::ClipboardSearchIndexConfiguration configuration{8192, 4096, state.range(0) != 0};
    for (auto _ : state) {
        for (const auto& source : sources) {
            benchmark::DoNotOptimize(quorvane::ClipboardSearchIndexDocument::make(source, configuration));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(sources.size()));
}
BENCHMARK(buildDocuments)->Arg(0)->Arg(1)->ArgName("pinyin");

void upsertNewEntries(benchmark::State& state) {
    bench::ScratchDirectory directory;
    auto store = openStore(directory);
    auto documents = bench::corpus(2000);
    std::size_t next = 0;
    for (auto _ : state) {
        auto document = documents[next % documents.size()];
        document.id = "new-" + std::to_string(next++);
        store->upsert(document);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(upsertNewEntries)->Unit(benchmark::kMicrosecond)->UseRealTime();

void upsertIndexedEntries(benchmark::State& state) {
    bench::ScratchDirectory directory;
    auto store = openStore(directory);
    const auto documents = bench::corpus(1000);
    store->rebuild(documents);
    std::size_t next = 0;
    for (auto _ : state) store->upsert(documents[next++ % documents.size()]);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(upsertIndexedEntries)->Unit(benchmark::kMicrosecond)->UseRealTime();

void rebuild10000(benchmark::State& state) {
    bench::ScratchDirectory directory;
    const auto path = directory.path() / "clipboard_search.sqlite";
    auto store = openStore(directory);
    const auto documents = bench::corpus(10'000);
    quorvane::ClipboardSearchIndexStats stats;
    for (auto _ : state) stats = store->rebuild(documents);
    store.reset();  // closing checkpoints the log into the file
    state.counters["documents"] = static_cast<double>(stats.documentCount);
    state.counters["gramsPerDocument"] = static_cast<double>(stats.gramCount) / stats.documentCount;
    state.counters["bytesPerDocument"] =
        static_cast<double>(bench::databaseBytes(path)) / stats.documentCount;
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(documents.size()));
}
BENCHMARK(rebuild10000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
