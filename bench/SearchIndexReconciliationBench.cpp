// Cost of the start-up reconciliation of the search index with the history at 100,000 entries with ids in
// the form of random UUIDs, as the program's own are: the ids of both files compared, nothing to mend (the
// usual start), 100 documents missing plus 100 orphans (a crash between the two commits, a few stale
// documents), and the newest 10,000 missing (an index left behind by its history): mended one by one in the
// order of their random ids, so most land between two that were mended just before and the ranks there run
// out of room.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "SearchCorpus.h"
#include "history/ClipboardHistorySearchIndexSync.h"
#include "history/ClipboardHistorySearchSource.h"
#include "history/store/ClipboardHistoryStore.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"

namespace {

using namespace quorvane;

constexpr int kEntries = 100'000;

std::string textOf(int i) {
    return "entry " + std::to_string(i);
}

// A history of kEntries entries and an index holding each of them, built once for the whole program.
struct Files {
    Files() {
        std::filesystem::create_directories(directory);
        ClipboardHistoryStore store(historyFile());
        std::vector<ClipboardSearchIndexDocument> documents;
        for (int i = 0; i < kEntries; ++i) {
            const std::string id = bench::uuidOf(i);
            store.mainContext().insert(ClipboardHistoryIndex{id, textOf(i), textOf(i), Date(1e9 + i),
                                                             std::nullopt, 0, ClipboardContentType::text,
                                                             std::nullopt, std::nullopt});
            store.mainContext().insert(ClipboardHistoryContent{id, textOf(i), std::nullopt, std::nullopt,
                                                               std::nullopt, std::nullopt, std::nullopt});
            documents.push_back(
                ClipboardSearchIndexDocument::make(source(id, i), ClipboardSearchIndexConfiguration{}));
        }
        store.mainContext().save();
        SQLiteClipboardSearchIndexStore(indexFile(), defaults).rebuild(documents);
    }
    ~Files() { std::filesystem::remove_all(directory); }

    static ClipboardSearchSourceDocument source(const std::string& id, int i) {
        ClipboardSearchSourceDocument document;
        document.id = id;
        document.preview = textOf(i);
        document.searchableText = textOf(i);
        document.createdAt = Date(1e9 + i);
        return document;
    }
    std::filesystem::path historyFile() const { return directory / "clipboard_history.sqlite"; }
    std::filesystem::path indexFile() const { return directory / "clipboard_search.sqlite"; }

    std::filesystem::path directory =
        std::filesystem::temp_directory_path() / ("quorvane-reconcile-bench-" + std::to_string(::getpid()));
    std::shared_ptr<InMemoryUserDefaults> defaults = std::make_shared<InMemoryUserDefaults>();
};

Files& files() {
    static Files instance;
    return instance;
}

// What each argument takes out of the index before the reconciliation: entries first, first + stride, ...
struct Damage {
    int lost;
    int first;
    int stride;
    int orphans;
};
constexpr Damage kDamages[] = {{0, 0, 1, 0}, {100, 0, 997, 100}, {10'000, kEntries - 10'000, 1, 0}};

void Reconcile(benchmark::State& state) {
    const Damage& damage = kDamages[state.range(0)];
    const bool damaged = damage.lost + damage.orphans > 0;
    auto& f = files();
    const auto history = std::make_shared<ClipboardHistoryStore>(f.historyFile());
    SQLiteClipboardSearchIndexStore index(f.indexFile(), f.defaults);
    const auto source = ClipboardHistorySearchSource::historySource(history);
    const auto convert = [](const ClipboardSearchSourceDocument& document) {
        return ClipboardSearchIndexDocument::make(document, ClipboardSearchIndexConfiguration{});
    };
    std::size_t mended = 0;
    for (auto _ : state) {
        if (damaged) {
            state.PauseTiming();
            std::vector<std::string> lost;
            for (int i = 0; i < damage.lost; ++i)
                lost.push_back(bench::uuidOf(damage.first + i * damage.stride));
            index.deleteDocuments(lost);
            for (int i = 0; i < damage.orphans; ++i) {
                auto orphan = convert(Files::source(bench::uuidOf(i), i));
                orphan.id = "orphan-" + std::to_string(i);
                index.upsert(orphan);
            }
            state.ResumeTiming();
        }
        const auto counts = ClipboardHistorySearchIndexSync::reconcile(index, source, convert);
        mended = counts.added + counts.removed;
    }
    state.counters["entries"] = kEntries;
    state.counters["mended"] = static_cast<double>(mended);
}
BENCHMARK(Reconcile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(Reconcile)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
