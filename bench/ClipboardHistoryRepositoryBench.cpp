// Cost of capturing text: saving 10,000 text entries through the history repository until every one is
// searchable in the search index, the fallback snapshot query over the result, and the main thread's share
// of saving one 10 MB text. Also Clear All History over 10,000 entries, files rewritten so nothing cleared
// stays readable (main thread's share, then until the index is rewritten too).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "history/ClipboardHistoryRepository.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"
#include "system/DataDirectoryManager.h"

namespace {

using namespace quorvane;

// Everything a repository needs, on a fresh directory removed afterwards.
struct Fixture {
    Fixture()
        : directory(std::filesystem::temp_directory_path() /
                    ("quorvane-bench-" + std::to_string(::getpid()) + "-" + std::to_string(counter++))),
          loop(clock),
          center(loop),
          directories(*defaults, workspace, [this](const std::string& name) -> std::optional<std::string> {
              if (name == "QUORVANE_STORAGE_DIRECTORY") return directory.string();
              return std::nullopt;
          }) {
        index = std::make_shared<SQLiteClipboardSearchIndexStore>(directory / "clipboard_search.sqlite",
                                                                  defaults);
        repository =
            std::make_unique<ClipboardHistoryRepository>(directories, index, loop, center, *defaults, clock);
    }
    ~Fixture() {
        repository.reset();
        index.reset();
        std::filesystem::remove_all(directory);
    }

    void saveTexts(int count) {
        for (int i = 0; i < count; ++i) {
            clock.advance(1);
            const std::string text =
                "Clipboard entry number " + std::to_string(i) + " with some ordinary words";
            repository->saveTextItem({.id = "ID-" + std::to_string(i),
                                      .preview = text.substr(0, 40),
                                      .searchText = text,
                                      .content = text,
                                      .bundleIdentifier = "org.example.Editor"});
            if (i % 256 == 0) loop.runUntilIdle();
        }
        repository->waitForSearchIndexJobs();
        loop.runUntilIdle();
    }

    static inline int counter = 0;
    std::filesystem::path directory;
    FakeClock clock;
    ManualRunLoop loop;
    NotificationCenter center;
    std::shared_ptr<InMemoryUserDefaults> defaults = std::make_shared<InMemoryUserDefaults>();
    RecordingWorkspaceOpener workspace;
    DataDirectoryManager directories;
    std::shared_ptr<SQLiteClipboardSearchIndexStore> index;
    std::unique_ptr<ClipboardHistoryRepository> repository;
};

void saveTenThousandTextsUntilSearchable(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Fixture fixture;
        state.ResumeTiming();
        fixture.saveTexts(10'000);
        state.PauseTiming();
        if (fixture.index->stats().documentCount != 10'000)
            state.SkipWithError("not every entry was indexed");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 10'000);
}
BENCHMARK(saveTenThousandTextsUntilSearchable)->Unit(benchmark::kMillisecond)->Iterations(3);

void fallbackQueryOverTenThousandEntries(benchmark::State& state) {
    Fixture fixture;
    fixture.saveTexts(10'000);
    for (auto _ : state) {
        bool done = false;
        fixture.repository->getHistorySnapshots("number 99 words", 50, [&](auto snapshots) {
            benchmark::DoNotOptimize(snapshots);
            done = true;
        });
        while (!done) fixture.loop.runUntilIdle();
    }
}
BENCHMARK(fallbackQueryOverTenThousandEntries)->Unit(benchmark::kMillisecond);

// The main queue's share of saving a 10 MB CJK copy (the index job runs on its own queue afterwards).
void saveTenMegabyteTextOnTheMainThread(benchmark::State& state) {
    std::string text;
    while (text.size() < 10'000'000) text += "\xE4\xB8\xAD\xE6\x96\x87\xE5\x89\xAA\xE8\xB4\xB4\xE6\x9D\xBF ";
    for (auto _ : state) {
        state.PauseTiming();
        Fixture fixture;
        state.ResumeTiming();
        fixture.repository->saveTextItem({.id = "big", .preview = "big", .searchText = "", .content = text});
        state.PauseTiming();
        fixture.repository->waitForSearchIndexJobs();
        state.ResumeTiming();
    }
}
BENCHMARK(saveTenMegabyteTextOnTheMainThread)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

void clearTenThousandTextsLeavingNothingReadable(benchmark::State& state) {
    std::int64_t mainThreadNanoseconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Fixture fixture;
        fixture.saveTexts(10'000);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        fixture.repository->clearHistory();
        mainThreadNanoseconds +=
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
                .count();
        fixture.repository->waitForSearchIndexJobs();
    }
    state.counters["main_thread_ms"] = benchmark::Counter(static_cast<double>(mainThreadNanoseconds) / 1e6 /
                                                          static_cast<double>(state.iterations()));
}
BENCHMARK(clearTenThousandTextsLeavingNothingReadable)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
