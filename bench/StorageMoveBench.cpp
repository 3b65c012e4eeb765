// Moving a 1 GB storage directory (a 960 MB history file, a 64 MB index, 200 small files in a folder) with
// the change flow, its dialogs answered at once, on Qt's real event loop. While the copy runs, a heartbeat
// re-arms itself on the main queue every millisecond. Counters: MB_per_s (the copy's throughput, measured
// from the confirmation to the completion), max_stall_ms (the longest the main queue went without running the
// heartbeat, less its 1 ms period) and heartbeats. The services' tear-down and build are left out (a no-op
// stands in), so the figures are the copy's alone. HeartbeatWithoutCopy runs the same heartbeat for 4 s with
// nothing else going on: the stall a loaded machine causes by itself. Needs about 2 GB free in the temporary
// folder.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/linux/QtMainQueue.h"
#include "platform/memory/FakeAlertPresenter.h"
#include "platform/memory/FakeFolderPicker.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "system/DataDirectoryMigrator.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

constexpr std::uintmax_t kMegabyte = 1024 * 1024;

class NoServices final : public ClipboardServicesLifecycle {
public:
    void tearDownClipboardServices() override {}
    void buildClipboardServices() override {}
};

void writeFile(const fs::path& file, std::uintmax_t bytes, std::mt19937_64& random) {
    std::ofstream stream(file, std::ios::binary);
    std::vector<std::uint64_t> block(kMegabyte / sizeof(std::uint64_t));
    for (std::uintmax_t written = 0; written < bytes; written += kMegabyte) {
        for (auto& word : block) word = random();
        stream.write(reinterpret_cast<const char*>(block.data()),
                     static_cast<std::streamsize>(std::min<std::uintmax_t>(kMegabyte, bytes - written)));
    }
}

std::uintmax_t directorySize(const fs::path& directory) {
    std::uintmax_t total = 0;
    for (const auto& entry : fs::recursive_directory_iterator(directory))
        if (entry.is_regular_file()) total += entry.file_size();
    return total;
}

void CopyOneGigabyteStorage(benchmark::State& state) {
    std::string pattern = (fs::temp_directory_path() / "quorvane-bench-XXXXXX").string();
    const fs::path root = ::mkdtemp(pattern.data());
    const fs::path home = root / "home";
    const fs::path source = home / ".local/share/Quorvane/QuorvaneData";
    fs::create_directories(source / "attachments");
    std::mt19937_64 random(7);
    writeFile(source / "clipboard_history.sqlite", 960 * kMegabyte, random);
    writeFile(source / "clipboard_search.sqlite", 64 * kMegabyte, random);
    for (int i = 0; i < 200; ++i)
        writeFile(source / "attachments" / ("item-" + std::to_string(i)), 4096, random);
    const std::uintmax_t bytes = directorySize(source);

    InMemoryUserDefaults defaults;
    RecordingWorkspaceOpener workspace;
    DataDirectoryManager manager(defaults, workspace, [&](const std::string& name) {
        return name == "HOME" ? std::optional<std::string>(home.string()) : std::nullopt;
    });
    QtMainQueue mainQueue;
    SystemClock clock;
    NoServices services;
    FakeAlertPresenter alerts;
    FakeFolderPicker picker;
    DataDirectoryMigrator migrator(manager, services, alerts, picker, mainQueue, clock);

    double longestStall = 0;
    double seconds = 0;
    std::int64_t heartbeats = 0;
    int run = 0;
    for (auto _ : state) {
        const fs::path chosen = root / ("chosen-" + std::to_string(run++));
        fs::create_directories(chosen);
        alerts.script({"Choose Directory", "Confirm Migration"});
        picker.script({chosen});

        std::optional<bool> outcome;
        auto lastBeat = SteadyClock::now();
        std::function<void()> beat;
        Timer heartbeat;
        beat = [&] {
            const auto now = SteadyClock::now();
            longestStall =
                std::max(longestStall, std::chrono::duration<double, std::milli>(now - lastBeat).count() - 1);
            lastBeat = now;
            ++heartbeats;
            heartbeat = mainQueue.postAfter(0.001, beat);
        };
        heartbeat = mainQueue.postAfter(0.001, beat);

        const auto start = SteadyClock::now();
        migrator.changeStorageDirectory(nullptr, [&](bool switched) { outcome = switched; });
        while (!outcome) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        seconds += std::chrono::duration<double>(SteadyClock::now() - start).count();
        heartbeat.cancel();
        if (!*outcome) state.SkipWithError("the copy failed");

        state.PauseTiming();
        // Back to the source for the next round, and the copy goes.
        manager.applyCustomDirectory(std::nullopt);
        fs::remove_all(chosen);
        state.ResumeTiming();
    }
    state.counters["MB_per_s"] = static_cast<double>(bytes) * static_cast<double>(run) / kMegabyte / seconds;
    state.counters["max_stall_ms"] = longestStall;
    state.counters["heartbeats"] = static_cast<double>(heartbeats);
    state.counters["MB_copied"] = static_cast<double>(bytes) / kMegabyte;
    fs::remove_all(root);
}
void HeartbeatWithoutCopy(benchmark::State& state) {
    QtMainQueue mainQueue;
    double longestStall = 0;
    std::int64_t heartbeats = 0;
    for (auto _ : state) {
        auto lastBeat = SteadyClock::now();
        const auto end = lastBeat + std::chrono::seconds(4);
        std::function<void()> beat;
        Timer heartbeat;
        beat = [&] {
            const auto now = SteadyClock::now();
            longestStall =
                std::max(longestStall, std::chrono::duration<double, std::milli>(now - lastBeat).count() - 1);
            lastBeat = now;
            ++heartbeats;
            heartbeat = mainQueue.postAfter(0.001, beat);
        };
        heartbeat = mainQueue.postAfter(0.001, beat);
        while (SteadyClock::now() < end) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        heartbeat.cancel();
    }
    state.counters["max_stall_ms"] = longestStall;
    state.counters["heartbeats"] = static_cast<double>(heartbeats);
}
BENCHMARK(HeartbeatWithoutCopy)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(CopyOneGigabyteStorage)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace quorvane

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
