// Resident memory of the quorvane program while it refills a missing search index: the real program on a
// private X server, started on a kept history of N entries (see BenchHistory.h) without an index file. While
// the refill runs the panel is opened and closed with the hot key every two seconds, as a user waiting for it
// would, and each opening loads its page from the history, not the index. The program's /proc status is
// sampled every 10 ms. Prints the peak during the refill, the steady state (the same program started again
// on the filled index, idle after one opening of the panel) and the peak above it (MB). Sizes come from
// QUORVANE_BENCH_SIZES (default "100000,1000000"); histories are kept in QUORVANE_BENCH_DIR (default
// /tmp/quorvane-bench-histories). Not a timing: the figures are the result.

#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "BenchHistory.h"
#include "ProcessStatus.h"
#include "ProgramSession.h"
#include "platform/linux/JsonFileUserDefaults.h"
#include "support/XvfbServer.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The program on one storage folder, with its merged log.
class Program {
public:
    Program(const std::string& display, const std::filesystem::path& directory) : display_(display) {
        bench::startProgram(process_, QUORVANE_EXECUTABLE, display, directory);
    }
    ~Program() {
        process_.terminate();
        if (!process_.waitForFinished(30000)) process_.kill();
        process_.waitForFinished(5000);
    }
    double rssMB() const {
        return bench::statusKilobytes("VmRSS", std::to_string(process_.processId())) / 1024;
    }

    // Samples for `duration`, or until the log holds `fragment`; returns whether it does. The highest
    // resident memory seen goes to `peak`.
    bool sample(std::chrono::milliseconds duration, const char* fragment, double& peak) {
        const auto end = Clock::now() + duration;
        while (Clock::now() < end) {
            process_.waitForReadyRead(10);
            log_ += process_.readAll();
            peak = std::max(peak, rssMB());
            if (fragment != nullptr && log_.contains(fragment)) return true;
            if (process_.state() != QProcess::Running) return false;
        }
        return fragment == nullptr;
    }
    // Presses the hot key as a person does, which opens the panel or closes it again.
    void pressHotkey() {
        QProcess xdotool;
        xdotool.setProcessEnvironment(bench::programEnvironment(display_, {}));
        xdotool.start("xdotool", {"keydown", "super+shift+v", "sleep", "0.12", "keyup", "super+shift+v"});
        xdotool.waitForFinished(10000);
    }
    int count(const char* fragment) const { return static_cast<int>(log_.count(fragment)); }
    const QByteArray& log() const { return log_; }

private:
    std::string display_;
    QProcess process_;
    QByteArray log_;
};

constexpr const char* kFallbackLoad = "falling back to repository query";

bool measure(const std::string& display, int count, const std::filesystem::path& base) {
    const auto history = bench::keptHistory(base, count);
    const auto directory = bench::freshSessionFolder("quorvane-refill-peak");
    std::filesystem::create_directories(directory / "storage");
    std::filesystem::copy_file(history, directory / "storage/clipboard_history.sqlite");

    double refillPeak = 0;
    double refillSeconds = 0;
    int loads = 0;
    bool refilled = false;
    {
        Program program(display, directory);
        const auto start = Clock::now();
        if (!program.sample(120s, "App coordinator started", refillPeak)) {
            std::fprintf(stderr, "quorvane did not start:\n%s\n", program.log().constData());
            return false;
        }
        const auto limit = Clock::now() + 3600s;
        auto progress = Clock::now() + 60s;
        while (!refilled && Clock::now() < limit) {
            // A long refill says how far it got, so a run cut short still tells its peak.
            if (Clock::now() > progress) {
                std::printf("entries=%d refilling_s=%.0f peak_so_far_MB=%.1f\n", count,
                            std::chrono::duration<double>(Clock::now() - start).count(), refillPeak);
                std::fflush(stdout);
                progress += 60s;
            }
            program.pressHotkey();
            refilled = program.sample(1s, "Bootstrapped clipboard search index", refillPeak);
            if (refilled) break;
            program.pressHotkey();
            refilled = program.sample(1s, "Bootstrapped clipboard search index", refillPeak);
        }
        refillSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        loads = program.count(kFallbackLoad);
        if (!refilled) std::fprintf(stderr, "the refill did not end:\n%s\n", program.log().constData());
    }
    double steady = 0;
    {
        Program program(display, directory);
        double ignored = 0;
        program.sample(120s, "Reconciled clipboard search index", ignored);
        program.pressHotkey();
        program.sample(2s, nullptr, ignored);
        program.pressHotkey();
        program.sample(5s, nullptr, ignored);
        steady = program.rssMB();
    }
    std::printf(
        "entries=%d refill_s=%.0f panel_loads_from_history=%d refill_peak_MB=%.1f steady_MB=%.1f "
        "peak_above_steady_MB=%.1f%s\n",
        count, refillSeconds, loads, refillPeak, steady, refillPeak - steady,
        refilled ? "" : " [unfinished]");
    std::fflush(stdout);
    std::filesystem::remove_all(directory);
    return refilled;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    quorvane::testing::XvfbServer server;
    if (!bench::displayIsRunning(server)) return 1;
    const auto base = bench::historyCache("/tmp/quorvane-bench-histories");
    bool finished = true;
    for (const int count : bench::sizes("100000,1000000"))
        finished = measure(server.display(), count, base) && finished;
    return finished ? 0 : 1;
}
