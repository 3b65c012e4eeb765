// Memory and time of the search index's refill from the history, as a start with a missing index runs it: a
// history of N entries of about 500 characters (the search benchmarks' corpus) and no index file; the
// repository's start queues the fill and the reconciliation behind it, which this program waits for. Reports
// the resident memory before the fill (both files open: the steady state) and its peak during the fill, and
// the fill's time; then the same of an ordinary start on the filled index, whose only index work is the
// reconciliation. Sizes come from QUORVANE_BENCH_SIZES (default "100000,1000000"). The history files are
// made in a child process, so their making does not count towards the peak, and kept in QUORVANE_BENCH_DIR
// when it is set (a 1,000,000-entry history takes minutes to write), so later runs reuse them. Entries have
// 36-character ids in random order, as the program's own are; QUORVANE_BENCH_SHORT_IDS=1 gives them the
// corpus's short ids ("entry-N") instead, as the benchmark's earlier figures had.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "BenchHistory.h"
#include "BenchRepository.h"
#include "ProcessStatus.h"
#include "SearchCorpus.h"
#include "base/ReleaseFreedMemory.h"

namespace {

using namespace quorvane;

bool shortIDs() {
    const char* value = std::getenv("QUORVANE_BENCH_SHORT_IDS");
    return value != nullptr && std::string(value) == "1";
}

// The peak resident size is measured from here on.
void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void measure(int count, const std::filesystem::path& base) {
    const auto history = bench::keptHistory(base, count, shortIDs());
    // The run's own storage folder: the history (a copy, so the kept one stays as made) and no index.
    bench::ScratchDirectory scratch;
    const auto storage = scratch.path() / "data";
    std::filesystem::create_directories(storage);
    std::filesystem::copy_file(history, storage / "clipboard_history.sqlite");

    bench::BenchRepository app(storage);
    // The steady state before the start: the index open and empty.
    releaseFreedMemory();
    const double before = bench::statusKilobytes("VmRSS");
    resetPeak();
    const auto start = std::chrono::steady_clock::now();
    auto& repository = app.start();
    repository.waitForSearchIndexJobs();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double peak = bench::statusKilobytes("VmHWM");
    const auto documents = app.index->stats().documentCount;
    releaseFreedMemory();
    const double after = bench::statusKilobytes("VmRSS");
    std::printf(
        "entries=%d documents=%lld refill_s=%.1f rss_before_MB=%.1f peak_MB=%.1f peak_above_before_MB=%.1f "
        "rss_after_MB=%.1f\n",
        count, static_cast<long long>(documents), seconds, before / 1024, peak / 1024, (peak - before) / 1024,
        after / 1024);
    std::fflush(stdout);
    repository.quiesce();
    app.repository.reset();

    // An ordinary start on the index just filled: only the reconciliation reads both files.
    releaseFreedMemory();
    const double steady = bench::statusKilobytes("VmRSS");
    resetPeak();
    const auto restart = std::chrono::steady_clock::now();
    app.start().waitForSearchIndexJobs();
    const double restartSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - restart).count();
    const double restartPeak = bench::statusKilobytes("VmHWM");
    std::printf("entries=%d ordinary_start_reconciliation_s=%.2f peak_above_before_MB=%.1f\n", count,
                restartSeconds, (restartPeak - steady) / 1024);
    std::fflush(stdout);
    app.repository->quiesce();
}

}  // namespace

int main() {
    const char* kept = std::getenv("QUORVANE_BENCH_DIR");
    std::unique_ptr<bench::ScratchDirectory> scratch;
    std::filesystem::path base;
    if (kept != nullptr) {
        base = kept;
        std::filesystem::create_directories(base);
    } else {
        scratch = std::make_unique<bench::ScratchDirectory>();
        base = scratch->path();
    }
    for (const int count : bench::sizes("100000,1000000")) measure(count, base);
    return 0;
}
