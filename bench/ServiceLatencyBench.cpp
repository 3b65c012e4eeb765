// The running service as a user meets it, on the current X display (run it under `xvfb-run -a` without one):
// - CopyToSearchHit: the clipboard services built as quorvane builds them, over the real clipboard; another
//   program (xclip) copies 50 distinct texts one after another, and each is timed from the start of the copy
//   until the search service finds it. Counters p50_ms, p95_ms, max_ms.
// - CapturedCopyRate: the same services; xclip copies 200 distinct texts with the given pause between them
//   (0: as fast as xclip goes). Counters copies_per_second (offered), stored, lost.
// - IdleCpu: the quorvane program itself, left alone for 60 s after start, over an empty history and over one
//   of 10,000 entries; counters cpu_percent of one core and wakeups_per_second (context switches).
// - ServiceMemory: the quorvane program over a history of 100,000 or 1,000,000 entries of about 500
//   characters (the search benchmarks' corpus), from its start until it has filled its search index and
//   compared it with the history, then left alone for 10 s; counters rss_MB and anon_MB (resident and
//   anonymous memory), peak_MB (the most resident memory since the start) and index_fill_s.
// - ServiceStart: the quorvane program over a history of 10,000, 100,000 or 1,000,000 corpus entries, with
// its
//   search index present (an ordinary start) or deleted (to be filled); counters tray_s (from the launch
//   until the tray and the hot key are up), then rss_MB and anon_MB 10 s after the index work of the start is
//   done.
// - SteadyCopyMemory: the clipboard services and the windows built as quorvane builds them; for the given
//   minutes at the given copies per second, xclip copies distinct texts (some long, some not ASCII) and the
//   search service is asked after each as the panel would (words, filters, the recent page), or the queries
//   are typed into the shown panel. RssAnon and the stored entries are sampled every 30 s (printed to
//   stderr); counters anon_start_MB, anon_end_MB, entries, copies_per_second, grown_KB_per_entry and
//   late_KB_per_entry (the anonymous growth per stored entry after the first minute's warm-up, over the rest
//   of the run and over its last half), sqlite_start_MB and sqlite_end_MB (what SQLite's allocator held,
//   its page caches among it).
// - SteadyCopyServiceMemory: the same copies to the quorvane program itself, without the searches; the same
//   counters, of its memory.
// All keep their files in a temporary directory and never touch the user's settings or history.

#include <benchmark/benchmark.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchHistoryFile.h"
#include "ProcessStatus.h"
#include "SearchCorpus.h"
#include "app/AppAssembler.h"
#include "app/AppWindows.h"
#include "history/store/ClipboardHistoryStore.h"
#include "panel/widgets/ClipboardPanelController.h"
#include "platform/linux/NoOpActivationPolicy.h"
#include "platform/linux/QtAlertPresenter.h"
#include "platform/linux/QtClipboardPasteboard.h"
#include "platform/linux/QtImageDecoder.h"
#include "platform/linux/QtImageProbe.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/QtWorkspaceOpener.h"
#include "platform/linux/TesseractImageTextRecognizer.h"
#include "platform/linux/X11AccessibilityTrust.h"
#include "platform/linux/X11FrontmostApplicationProvider.h"
#include "platform/linux/XInputKeyEventMonitor.h"
#include "platform/linux/XdgApplicationCatalog.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "system/AccessibilityPermissionManager.h"

namespace quorvane {
namespace {

std::filesystem::path makeTemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-bench-XXXXXX").string();
    return mkdtemp(pattern.data());
}

// Processes Qt events until `condition` holds; false after `timeoutMilliseconds`.
bool processEventsUntil(const std::function<bool()>& condition, int timeoutMilliseconds) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
        if (elapsed.elapsed() > timeoutMilliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

bool copyWithXclip(const std::string& text) {
    QProcess xclip;
    xclip.start("xclip", {"-selection", "clipboard", "-i"});
    if (!xclip.waitForStarted(5000)) return false;
    xclip.write(QByteArray::fromStdString(text));
    xclip.closeWriteChannel();
    return processEventsUntil([&] { return xclip.state() == QProcess::NotRunning; }, 5000) &&
           xclip.exitCode() == 0;
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5)];
}

// The clipboard services built as quorvane builds them, over the real clipboard, in a temporary directory.
struct AssembledServices {
    std::filesystem::path directory = makeTemporaryDirectory();
    std::shared_ptr<InMemoryUserDefaults> defaults = std::make_shared<InMemoryUserDefaults>();
    std::shared_ptr<QtMainQueue> mainQueue = std::make_shared<QtMainQueue>();
    std::shared_ptr<SystemClock> clock = std::make_shared<SystemClock>();
    NotificationCenter notifications{*mainQueue};
    QtWorkspaceOpener workspace;
    DataDirectoryManager dataDirectory{
        *defaults, workspace, [this](const std::string& name) {
            return name == DataDirectoryManager::storageDirectoryOverrideEnvironmentKey
                       ? std::optional<std::string>((directory / "storage").string())
                       : std::nullopt;
        }};
    X11AccessibilityTrust trust;
    AccessibilityPermissionManager permission{*defaults, *mainQueue, trust, workspace};
    XdgApplicationCatalog catalog;
    QtClipboardPasteboard pasteboard;
    QtImageProbe probe;
    QtImageDecoder decoder;
    X11FrontmostApplicationProvider frontmost{catalog.identityResolver()};
    TesseractImageTextRecognizer recognizer;
    XInputKeyEventMonitor keys;
    AppAssembler assembler{AppAssembler::Platform{defaults, mainQueue, clock, notifications, dataDirectory,
                                                  permission, catalog, pasteboard, probe, decoder, frontmost,
                                                  recognizer, keys, AppEnvironment::main()}};

    ~AssembledServices() {
        assembler.shutdown();
        std::filesystem::remove_all(directory);
    }
};

void CopyToSearchHit(benchmark::State& state) {
    AssembledServices services;
    AppAssembler& assembler = services.assembler;
    std::mt19937 random(42);
    std::vector<double> latencies;
    for (auto _ : state) {
        latencies.clear();
        for (int copy = 0; copy < 50; ++copy) {
            const std::string word = "probe" + std::to_string(random());
            const auto started = std::chrono::steady_clock::now();
            if (!copyWithXclip("latency " + word + " text")) {
                state.SkipWithError("xclip failed");
                return;
            }
            bool found = false;
            const bool answered = processEventsUntil(
                [&] {
                    bool replied = false;
                    assembler.clipboardSearchService()->search(word, 5, 0, [&](auto result) {
                        replied = true;
                        found = result.succeeded() && !result.value().items.empty();
                    });
                    processEventsUntil([&] { return replied; }, 2000);
                    return found;
                },
                10000);
            if (!answered) {
                state.SkipWithError("a copy was never found");
                return;
            }
            latencies.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                    .count());
            // Apart, as a person copies: no copy lands inside the burst cadence of the previous one.
            processEventsUntil([] { return false; }, 1300);
        }
    }
    state.counters["p50_ms"] = percentile(latencies, 0.50);
    state.counters["p95_ms"] = percentile(latencies, 0.95);
    state.counters["max_ms"] = *std::max_element(latencies.begin(), latencies.end());
}
BENCHMARK(CopyToSearchHit)->Iterations(1)->Unit(benchmark::kMillisecond);

void CapturedCopyRate(benchmark::State& state) {
    AssembledServices services;
    const int pauseMilliseconds = static_cast<int>(state.range(0));
    constexpr int copies = 200;
    std::mt19937 random(7);
    for (auto _ : state) {
        processEventsUntil([] { return false; }, 1500);
        const std::string batch = "rate" + std::to_string(random());
        const auto started = std::chrono::steady_clock::now();
        for (int copy = 0; copy < copies; ++copy) {
            if (!copyWithXclip(batch + " copy " + std::to_string(copy))) {
                state.SkipWithError("xclip failed");
                return;
            }
            if (pauseMilliseconds > 0) processEventsUntil([] { return false; }, pauseMilliseconds);
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        // Let the last captures reach the history.
        processEventsUntil([] { return false; }, 2000);
        std::size_t stored = 0;
        bool replied = false;
        services.assembler.clipboardHistoryManager()->getHistorySnapshots(batch, std::nullopt,
                                                                          [&](auto items) {
                                                                              stored = items.size();
                                                                              replied = true;
                                                                          });
        processEventsUntil([&] { return replied; }, 10000);
        state.counters["copies_per_second"] = copies / seconds;
        state.counters["stored"] = static_cast<double>(stored);
        state.counters["lost"] = static_cast<double>(copies) - static_cast<double>(stored);
    }
}
BENCHMARK(CapturedCopyRate)->Arg(0)->Arg(10)->Arg(30)->Iterations(1)->Unit(benchmark::kSecond);

// User plus system CPU time of a process, in clock ticks.
std::optional<long> cpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string contents((std::istreambuf_iterator<char>(stat)), {});
    const auto afterName = contents.rfind(')');
    if (afterName == std::string::npos) return std::nullopt;
    std::istringstream fields(contents.substr(afterName + 2));
    std::string field;
    long utime = 0, stime = 0;
    // Fields 3 to 13, then utime (14) and stime (15).
    for (int i = 3; i <= 13; ++i) fields >> field;
    fields >> utime >> stime;
    return utime + stime;
}

// Voluntary plus involuntary context switches of every thread of a process: its wake-ups.
std::optional<long> contextSwitches(pid_t pid) {
    long total = 0;
    bool any = false;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task")) {
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.starts_with("voluntary_ctxt_switches:") ||
                line.starts_with("nonvoluntary_ctxt_switches:")) {
                total += std::stol(line.substr(line.find(':') + 1));
                any = true;
            }
        }
    }
    return any ? std::optional<long>(total) : std::nullopt;
}

using bench::writeHistory;

// The quorvane program over the history in `directory`, with its settings and runtime files there too.
void startService(QProcess& service, const std::filesystem::path& directory) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString((directory / "config").string()));
    environment.insert("XDG_DATA_HOME", QString::fromStdString((directory / "data").string()));
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString((directory / "runtime").string()));
    environment.insert("QUORVANE_STORAGE_DIRECTORY",
                       QString::fromStdString((directory / "storage").string()));
    service.setProcessEnvironment(environment);
    service.start(QUORVANE_EXECUTABLE, {});
}

using bench::statusKilobytes;

void IdleCpu(benchmark::State& state) {
    const auto directory = makeTemporaryDirectory();
    const int entries = static_cast<int>(state.range(0));
    writeHistory(directory / "storage", entries);
    for (auto _ : state) {
        QProcess service;
        service.setStandardErrorFile(QProcess::nullDevice());
        startService(service, directory);
        if (!service.waitForStarted(5000)) {
            state.SkipWithError("quorvane did not start");
            return;
        }
        const auto pid = static_cast<pid_t>(service.processId());
        // Past the start-up work (store creation, index bootstrap and reconciliation, clean-up).
        std::this_thread::sleep_for(std::chrono::seconds(entries > 0 ? 15 : 3));
        const auto before = cpuTicks(pid);
        const auto switchesBefore = contextSwitches(pid);
        const double seconds = 60;
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const auto after = cpuTicks(pid);
        const auto switchesAfter = contextSwitches(pid);
        ::kill(pid, SIGTERM);
        service.waitForFinished(10000);
        if (!before || !after || !switchesBefore || !switchesAfter) {
            state.SkipWithError("could not read the process's CPU time");
            return;
        }
        state.counters["cpu_percent"] = 100.0 * static_cast<double>(*after - *before) /
                                        static_cast<double>(sysconf(_SC_CLK_TCK)) / seconds;
        state.counters["wakeups_per_second"] =
            static_cast<double>(*switchesAfter - *switchesBefore) / seconds;
    }
    std::filesystem::remove_all(directory);
}
BENCHMARK(IdleCpu)->Arg(0)->Arg(10000)->Iterations(1)->Unit(benchmark::kSecond);

void ServiceMemory(benchmark::State& state) {
    const auto directory = makeTemporaryDirectory();
    writeHistory(directory / "storage", static_cast<int>(state.range(0)), true);
    for (auto _ : state) {
        QProcess service;
        service.setProcessChannelMode(QProcess::MergedChannels);
        QByteArray log;
        QObject::connect(&service, &QProcess::readyRead, [&] { log += service.readAll(); });
        const auto started = std::chrono::steady_clock::now();
        startService(service, directory);
        if (!service.waitForStarted(5000)) {
            state.SkipWithError("quorvane did not start");
            return;
        }
        // Filled from the history, then compared with it once more.
        if (!processEventsUntil(
                [&] {
                    return log.contains("Bootstrapped clipboard search index") &&
                           log.contains("Reconciled clipboard search index");
                },
                60 * 60 * 1000)) {
            state.SkipWithError("the search index was not filled within an hour");
            return;
        }
        state.counters["index_fill_s"] =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        processEventsUntil([] { return false; }, 10'000);
        const auto pid = static_cast<pid_t>(service.processId());
        state.counters["rss_MB"] = statusKilobytes(pid, "VmRSS") / 1024;
        state.counters["anon_MB"] = statusKilobytes(pid, "RssAnon") / 1024;
        state.counters["peak_MB"] = statusKilobytes(pid, "VmHWM") / 1024;
        ::kill(pid, SIGTERM);
        service.waitForFinished(10000);
    }
    std::filesystem::remove_all(directory);
}
BENCHMARK(ServiceMemory)->Arg(100'000)->Arg(1'000'000)->Iterations(1)->Unit(benchmark::kSecond);

// Runs quorvane until `done` is in its log; the seconds until `tray` was, or nullopt on a timeout.
std::optional<double> runService(QProcess& service, QByteArray& log, const std::filesystem::path& directory,
                                 const char* tray, const std::function<bool()>& done) {
    service.setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(&service, &QProcess::readyRead, [&] { log += service.readAll(); });
    const auto started = std::chrono::steady_clock::now();
    startService(service, directory);
    if (!service.waitForStarted(5000)) return std::nullopt;
    if (!processEventsUntil([&] { return log.contains(tray); }, 10 * 60 * 1000)) return std::nullopt;
    const double traySeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!processEventsUntil(done, 60 * 60 * 1000)) return std::nullopt;
    return traySeconds;
}

void ServiceStart(benchmark::State& state) {
    const auto directory = makeTemporaryDirectory();
    const bool indexPresent = state.range(1) != 0;
    writeHistory(directory / "storage", static_cast<int>(state.range(0)), true);
    const auto filled = [](const QByteArray& log) {
        return log.contains("Bootstrapped clipboard search index") &&
               log.contains("Reconciled clipboard search index");
    };
    if (indexPresent) {
        QProcess first;
        QByteArray log;
        if (!runService(first, log, directory, "App coordinator started", [&] { return filled(log); })) {
            state.SkipWithError("the search index was not filled");
            return;
        }
        ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
        first.waitForFinished(60'000);
    }
    for (auto _ : state) {
        QProcess service;
        QByteArray log;
        const auto traySeconds = runService(service, log, directory, "App coordinator started", [&] {
            return indexPresent ? log.contains("Reconciled clipboard search index") : filled(log);
        });
        if (!traySeconds) {
            state.SkipWithError("quorvane did not start or did not finish its index work");
            return;
        }
        state.counters["tray_s"] = *traySeconds;
        processEventsUntil([] { return false; }, 10'000);
        const auto pid = static_cast<pid_t>(service.processId());
        state.counters["rss_MB"] = statusKilobytes(pid, "VmRSS") / 1024;
        state.counters["anon_MB"] = statusKilobytes(pid, "RssAnon") / 1024;
        ::kill(pid, SIGTERM);
        service.waitForFinished(60'000);
    }
    std::filesystem::remove_all(directory);
}
BENCHMARK(ServiceStart)
    ->ArgsProduct({{10'000, 100'000, 1'000'000}, {1, 0}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// The entries in the history file at `database`, read through a connection of its own; -1 when unreadable.
long storedEntries(const std::filesystem::path& database) {
    sqlite3* connection = nullptr;
    long count = -1;
    if (sqlite3_open_v2(database.c_str(), &connection, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(connection, "SELECT count(*) FROM ClipboardHistoryIndex", -1, &statement,
                               nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            count = sqlite3_column_int64(statement, 0);
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(connection);
    return count;
}

// The `copy`th text of a steady run: distinct, mostly a line, every 7th a long text, every 5th not ASCII.
std::string steadyCopyText(std::mt19937& random, int copy) {
    static const char* const words[] = {"invoice", "deploy", "meeting", "kernel", "recipe", "garden",
                                        "ticket",  "branch", "summary", "rocket", "coffee", "window"};
    std::string text = "steady " + std::to_string(copy) + " ";
    for (int word = 0; word < 6; ++word) text += std::string(words[random() % 12]) + " ";
    if (copy % 5 == 0) text += "剪贴板历史 שלום עולם 🚀📋 naïve café ";
    if (copy % 7 == 0) {
        for (int line = 0; line < 200; ++line) {
            text +=
                "line " + std::to_string(line) + " of a long paste with words " + words[random() % 12] + "\n";
        }
    }
    return text;
}

// Copies at `copiesPerSecond` for `minutes`, calling `afterCopy(copy)` after each, and samples the RssAnon of
// `pid` and the entries stored in `database` every 30 s; sets the counters SteadyCopyMemory describes.
void runSteadyCopies(benchmark::State& state, pid_t pid, const std::filesystem::path& database,
                     const std::function<void(int)>& afterCopy) {
    const double minutes = static_cast<double>(state.range(0));
    const double copiesPerSecond = static_cast<double>(state.range(1));
    std::mt19937 random(36);
    struct Sample {
        double seconds;
        double anonKilobytes;
        long entries;
        double sqliteKilobytes;
    };
    std::vector<Sample> samples;
    // In this process, what SQLite holds (its page caches, statements and schemas) is known apart.
    const bool inProcess = pid == ::getpid();
    const auto sample = [&](double seconds) {
        samples.push_back({seconds, statusKilobytes(pid, "RssAnon"), storedEntries(database),
                           inProcess ? static_cast<double>(sqlite3_memory_used()) / 1024 : 0});
        std::fprintf(stderr, "t=%5.0fs anon_MB=%7.2f entries=%ld sqlite_MB=%6.2f\n", seconds,
                     samples.back().anonKilobytes / 1024, samples.back().entries,
                     samples.back().sqliteKilobytes / 1024);
    };
    const auto started = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    sample(0);
    double nextSample = 30;
    int copy = 0;
    while (elapsed() < minutes * 60) {
        const double due = copy / copiesPerSecond;
        if (elapsed() < due) processEventsUntil([&] { return elapsed() >= due; }, 60'000);
        if (!copyWithXclip(steadyCopyText(random, copy))) {
            state.SkipWithError("xclip failed");
            return;
        }
        afterCopy(copy);
        ++copy;
        if (elapsed() >= nextSample) {
            sample(elapsed());
            nextSample += 30;
        }
    }
    processEventsUntil([] { return false; }, 3000);
    sample(elapsed());
    // Growth per stored entry from the first sample past the warm-up minute, and over the last half.
    const auto perEntry = [](const Sample& from, const Sample& to) {
        return to.entries > from.entries
                   ? (to.anonKilobytes - from.anonKilobytes) / static_cast<double>(to.entries - from.entries)
                   : 0.0;
    };
    const auto warm = std::find_if(samples.begin(), samples.end(), [](auto& s) { return s.seconds >= 60; });
    const Sample& first = warm == samples.end() ? samples.front() : *warm;
    const Sample& middle = samples[samples.size() / 2];
    state.counters["anon_start_MB"] = samples.front().anonKilobytes / 1024;
    state.counters["anon_end_MB"] = samples.back().anonKilobytes / 1024;
    state.counters["entries"] = static_cast<double>(samples.back().entries);
    state.counters["copies_per_second"] = copy / elapsed();
    state.counters["grown_KB_per_entry"] = perEntry(first, samples.back());
    state.counters["late_KB_per_entry"] = perEntry(middle, samples.back());
    if (inProcess) {
        state.counters["sqlite_start_MB"] = samples.front().sqliteKilobytes / 1024;
        state.counters["sqlite_end_MB"] = samples.back().sqliteKilobytes / 1024;
    }
}

void SteadyCopyMemory(benchmark::State& state) {
    AssembledServices services;
    QtAlertPresenter alerts;
    NoOpActivationPolicy activation;
    AppWindows windows(services.assembler,
                       AppWindows::Platform{services.notifications, alerts, activation, services.permission});
    windows.startInitialPanelLoad();
    // What the panel asks while a person types and picks filters.
    const std::vector<std::string> queries = {
        "",       "kernel",    "type:text", "type:text coffee", "after:today", "deploy rocket",
        "剪贴板", "app:xclip", "ste",       "before:week"};
    auto& search = *services.assembler.clipboardSearchService();
    // With a third argument of 1 the queries are typed into the shown panel instead, which lists and
    // highlights the results and shows the selected entry.
    auto* panel = dynamic_cast<ClipboardPanelController*>(
        services.assembler.windowFactories().activeClipboardPanelController());
    const bool throughPanel = state.range(2) != 0;
    if (throughPanel && !panel) {
        state.SkipWithError("no panel");
        return;
    }
    if (throughPanel) panel->showPanel();
    for (auto _ : state) {
        processEventsUntil([] { return false; }, 2000);
        runSteadyCopies(
            state, ::getpid(), services.directory / "storage" / DataDirectoryManager::databaseFileName,
            [&](int copy) {
                const auto& query = queries[static_cast<std::size_t>(copy) % queries.size()];
                if (throughPanel) {
                    auto& model = panel->viewModel();
                    model.setSearchText(query);
                    // Past the typing pause, then until the page is listed.
                    const int pause = static_cast<int>(ClipboardPanelViewModel::searchDebounceSeconds * 1000);
                    processEventsUntil([] { return false; }, pause + 10);
                    processEventsUntil([&] { return !model.isLoading(); }, 5000);
                    return;
                }
                bool replied = false;
                const auto answered = [&](auto) { replied = true; };
                if (query.empty()) {
                    search.fetchRecent(10, 0, answered);
                } else {
                    search.search(query, 10, 0, answered);
                }
                processEventsUntil([&] { return replied; }, 5000);
            });
    }
    // For a heap profiler: what is still allocated at the end of a short and of a long run, compared,
    // names what grows with the entries; the teardown would free it all.
    if (std::getenv("QUORVANE_BENCH_EXIT_WITHOUT_TEARDOWN")) std::_Exit(0);
    if (throughPanel) panel->hidePanel();
}
// Minutes, copies per second, queries typed into the panel (1) or asked of the search service (0).
BENCHMARK(SteadyCopyMemory)
    ->Args({30, 5, 1})
    ->Args({10, 5, 1})
    ->Args({4, 20, 0})
    ->Args({4, 5, 1})
    ->Args({2, 5, 1})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// The same copies to the quorvane program itself (no searches: it is only reached through its windows).
void SteadyCopyServiceMemory(benchmark::State& state) {
    const auto directory = makeTemporaryDirectory();
    for (auto _ : state) {
        QProcess service;
        QByteArray log;
        service.setProcessChannelMode(QProcess::MergedChannels);
        QObject::connect(&service, &QProcess::readyRead, [&] { log += service.readAll(); });
        startService(service, directory);
        if (!service.waitForStarted(5000) ||
            !processEventsUntil([&] { return log.contains("Reconciled clipboard search index"); }, 60'000)) {
            state.SkipWithError("quorvane did not start");
            return;
        }
        processEventsUntil([] { return false; }, 2000);
        const auto pid = static_cast<pid_t>(service.processId());
        runSteadyCopies(state, pid, directory / "storage" / DataDirectoryManager::databaseFileName,
                        [&](int) { log.clear(); });
        ::kill(pid, SIGTERM);
        service.waitForFinished(60'000);
    }
    std::filesystem::remove_all(directory);
}
BENCHMARK(SteadyCopyServiceMemory)->Args({10, 5})->Args({4, 20})->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace quorvane

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "No X display: run under xvfb-run -a\n");
        return 1;
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
