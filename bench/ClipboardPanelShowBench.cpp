// What the user waits for after pressing the hot key: from the centred panel controller's show (the hot key's
// action) until the result list has painted the first page of the history, on an on-disk index of 10,000
// and of 100,000 entries. The window, the list and the detail pane are made on the first show and reused;
// that first show is measured on its own. Runs on the offscreen platform (no window manager in the way).
// Reports p50 and p95.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <algorithm>
#include <chrono>
#include <map>
#include <memory>

#include "SearchCorpus.h"
#include "base/Logger.h"
#include "history/EmptyClipboardHistoryManager.h"
#include "history/EmptyClipboardHistoryRepository.h"
#include "panel/widgets/ClipboardPanelController.h"
#include "panel/widgets/ClipboardResultListView.h"
#include "platform/Clock.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "platform/memory/InMemoryScreenProvider.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/InMemoryWindowActivation.h"
#include "platform/memory/RecordingPasteShortcutPoster.h"
#include "search/ClipboardSearchService.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"
#include "support/GrantedAccessibilityPermission.h"

namespace {

using namespace quorvane;
using Clock = std::chrono::steady_clock;

// Notes a paint of the list while it holds entries.
class PaintWatcher final : public QObject {
public:
    explicit PaintWatcher(const ClipboardResultListView& list) : list_(list) {}
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !list_.state().items().empty()) painted = true;
        return false;
    }

private:
    const ClipboardResultListView& list_;
};

struct Index {
    bench::ScratchDirectory directory;
    std::shared_ptr<SQLiteClipboardSearchIndexStore> store;
};

Index& index(int entries) {
    static std::map<int, std::unique_ptr<Index>> built;
    auto& slot = built[entries];
    if (!slot) {
        slot = std::make_unique<Index>();
        const auto path = slot->directory.path() / "clipboard_search.sqlite";
        {
            SQLiteClipboardSearchIndexStore store(path, std::make_shared<InMemoryUserDefaults>());
            store.rebuild(bench::corpus(entries));
        }
        slot->store =
            std::make_shared<SQLiteClipboardSearchIndexStore>(path, std::make_shared<InMemoryUserDefaults>());
    }
    return *slot;
}

QApplication& application() {
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "ClipboardPanelShowBench";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

void reportPercentiles(benchmark::State& state, std::vector<double>& milliseconds) {
    std::sort(milliseconds.begin(), milliseconds.end());
    const auto at = [&](double p) {
        return milliseconds[static_cast<std::size_t>(p * (milliseconds.size() - 1))];
    };
    state.counters["p50_ms"] = at(0.5);
    state.counters["p95_ms"] = at(0.95);
}

void showToFirstPage(benchmark::State& state, int entries, bool firstShowOnly) {
    application();
    auto& built = index(entries);
    auto sharedQueue = std::make_shared<QtMainQueue>();
    QtMainQueue& queue = *sharedQueue;
    SystemClock clock;
    auto defaults = std::make_shared<InMemoryUserDefaults>();
    auto service = std::make_shared<ClipboardSearchService>(
        std::make_shared<EmptyClipboardHistoryRepository>(sharedQueue), built.store,
        ClipboardSearchIndexConfiguration{8192, 4096, true}, nullptr, defaults, sharedQueue);
    InMemoryApplicationCatalog catalog;
    ClipboardAppIdentityResolver resolver(catalog, {}, "en_US.UTF-8");
    InMemoryPasteboard pasteboard;
    InMemoryScreenProvider screens;
    screens.addScreen({0, 0, 1920, 1080}, {0, 0, 1920, 1080});
    InMemoryWindowActivation activation;
    RecordingPasteShortcutPoster poster;
    testing::GrantedAccessibilityPermission trust;

    std::vector<double> milliseconds;
    std::size_t items = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // A first show builds the window; later shows reuse it, as in the running program.
        ClipboardPanelViewModel viewModel({std::make_shared<EmptyClipboardHistoryManager>(sharedQueue),
                                           service, queue, pasteboard, *defaults, resolver, clock});
        auto controller = std::make_unique<ClipboardPanelController>(ClipboardPanelController::Dependencies{
            viewModel, *defaults, queue, clock, pasteboard, screens, activation, poster, trust});
        auto& list = controller->clipboardResultListView();
        PaintWatcher watcher(list);
        list.viewport()->installEventFilter(&watcher);
        const int rounds = firstShowOnly ? 1 : 6;
        state.ResumeTiming();
        for (int round = 0; round < rounds; ++round) {
            watcher.painted = false;
            const auto start = Clock::now();
            controller->showPanel();
            while (!watcher.painted) QApplication::processEvents(QEventLoop::AllEvents, 5);
            const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            // The first round of a fresh controller builds the window: reported apart.
            if (firstShowOnly || round > 0) {
                milliseconds.push_back(elapsed);
                items += list.state().items().size();
            }
            controller->hidePanel();
            // The hidden panel empties its list on a later turn; the next show starts from an empty list.
            while (!list.state().items().empty()) QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        state.PauseTiming();
        list.viewport()->removeEventFilter(&watcher);
        controller.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    reportPercentiles(state, milliseconds);
    state.counters["rows"] =
        static_cast<double>(items) / static_cast<double>(std::max<std::size_t>(1, milliseconds.size()));
    service->drain();
}

const bool registered = [] {
    quorvane::Logger::setSink([](const std::string&) {});
    for (const int entries : {10'000, 100'000}) {
        const std::string size = std::to_string(entries / 1000) + "k";
        benchmark::RegisterBenchmark(("hotKeyToFirstPage/reusedWindow/" + size).c_str(),
                                     [entries](benchmark::State& s) { showToFirstPage(s, entries, false); })
            ->Iterations(10)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("hotKeyToFirstPage/firstShow/" + size).c_str(),
                                     [entries](benchmark::State& s) { showToFirstPage(s, entries, true); })
            ->Iterations(5)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
