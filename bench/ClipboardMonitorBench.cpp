// Cost of the pasteboard monitor's ticks: the idle tick that finds the change count unchanged (four times a
// second for the whole session) and the tick that captures a copied text (read, fingerprint, classify, title,
// search text, hand-off to a repository that stores nothing).

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "capture/ClipboardImageTextRecognizer.h"
#include "capture/ClipboardMonitor.h"
#include "capture/SystemClipboardCopyIntentMonitor.h"
#include "classification/LocalClipboardClassificationService.h"
#include "history/EmptyClipboardHistoryRepository.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryFrontmostApplicationProvider.h"
#include "platform/memory/InMemoryImageDecoder.h"
#include "platform/memory/InMemoryImageProbe.h"
#include "platform/memory/InMemoryImageTextRecognizer.h"
#include "platform/memory/InMemoryKeyEventMonitor.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "system/AccessibilityPermissionManager.h"

namespace {

using namespace quorvane;

struct MonitorRig {
    MonitorRig() {
        frontmost.setFrontmostBundleIdentifier("org.example.Editor");
        monitor = std::make_unique<ClipboardMonitor>(
            ClipboardMonitor::Platform{pasteboard, reader, frontmost, loop, clock, "tech.zanto.QuorvaneApp"},
            ClipboardMonitor::Services{repository, recognizer, classifier, defaults, runner,
                                       DistributionChannel::direct, permission, copyIntent});
        monitor->startMonitoring(false);
    }

    FakeClock clock;
    ManualRunLoop loop{clock};
    InMemoryPasteboard pasteboard;
    InMemoryImageProbe probe;
    InMemoryImageDecoder decoder;
    ClipboardPayloadReader reader{probe, decoder};
    InMemoryFrontmostApplicationProvider frontmost;
    InMemoryUserDefaults defaults;
    std::shared_ptr<EmptyClipboardHistoryRepository> repository =
        // Borrows the loop, which outlives the repository.
        std::make_shared<EmptyClipboardHistoryRepository>(
            std::shared_ptr<MainQueue>(std::shared_ptr<MainQueue>(), &loop));
    InMemoryImageTextRecognizer engine;
    std::shared_ptr<ClipboardImageTextRecognizer> recognizer =
        std::make_shared<ClipboardImageTextRecognizer>(engine, defaults);
    LocalClipboardClassificationService classifier;
    ClipboardHistoryAutoCleanupRunner runner{repository, defaults, 3600, [this] { return clock.now(); }};
    AccessibilityPermissionManager permission{defaults, loop, [] { return true; },
                                              [](const DefaultsValue::Dictionary&) { return true; },
                                              [](const std::string&) {}};
    InMemoryKeyEventMonitor keys;
    SystemClipboardCopyIntentMonitor copyIntent{keys};
    std::unique_ptr<ClipboardMonitor> monitor;
};

void idleTick(benchmark::State& state) {
    MonitorRig rig;
    for (auto _ : state) rig.loop.advance(0.25);
}
BENCHMARK(idleTick);

void textCaptureTick(benchmark::State& state) {
    MonitorRig rig;
    const std::string base = "Meeting notes 会议记录 https://example.com/page?id= and some more words ";
    std::int64_t copy = 0;
    for (auto _ : state) {
        rig.pasteboard.replaceItem(
            {{PasteboardType::plainText, dataFromString(base + std::to_string(copy++))}});
        rig.loop.advance(0.25);
    }
}
BENCHMARK(textCaptureTick);

}  // namespace

BENCHMARK_MAIN();
