// The main thread's work for one copy at 1,000,000 history entries: what the pasteboard monitor asks of the
// repository for each captured item, the removal of earlier copies and the save, on the real history file.
// Copies of new texts, of texts already stored (found by their fingerprint), of texts stored without a
// fingerprint, and of pictures; prints the median, 95th percentile and largest cost of each kind (ms), and,
// for comparison, one look for copies without the fingerprint as it was made before, comparing every stored
// text. Sizes come from QUORVANE_BENCH_SIZES (default "1000000"); the history is kept in QUORVANE_BENCH_DIR
// (default /tmp/quorvane-bench-histories). The index is left out: a copy only queues its index write.

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchHistory.h"
#include "BenchRepository.h"
#include "sqlite/SQLiteDatabase.h"

namespace {

using namespace quorvane;
using Clock = std::chrono::steady_clock;

struct Costs {
    std::vector<double> milliseconds;

    void print(const char* kind, int entries) {
        std::sort(milliseconds.begin(), milliseconds.end());
        const auto at = [&](double share) {
            return milliseconds[std::min(
                milliseconds.size() - 1,
                static_cast<std::size_t>(share * static_cast<double>(milliseconds.size())))];
        };
        std::printf("entries=%d copy=%s copies=%zu median_ms=%.3f p95_ms=%.3f max_ms=%.3f\n", entries, kind,
                    milliseconds.size(), at(0.5), at(0.95), milliseconds.back());
        std::fflush(stdout);
    }
};

template <class F>
double timed(F&& body) {
    const auto start = Clock::now();
    body();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void measure(int count, const std::filesystem::path& base) {
    const auto history = bench::keptHistory(base, count);
    bench::ScratchDirectory scratch;
    const auto storage = scratch.path() / "data";
    std::filesystem::create_directories(storage);
    std::filesystem::copy_file(history, storage / "clipboard_history.sqlite");

    // A file an earlier build wrote lacks the history's newer indexes; its first open makes them.
    {
        SQLiteDatabase raw(storage / "clipboard_history.sqlite");
        raw.execute(
            "DROP INDEX IF EXISTS ClipboardHistoryContent_contentWithoutFingerprint; DROP INDEX IF EXISTS "
            "ClipboardHistoryIndex_recency;");
    }
    bench::BenchRepository app(storage);
    app.index.reset();
    ClipboardHistoryRepository* started = nullptr;
    const double openMilliseconds = timed([&] { started = &app.start(); });
    auto& repository = *started;
    std::printf("entries=%d first_open_making_indexes_ms=%.1f\n", count, openMilliseconds);
    // The start checks the file on the read queue; a read queued behind it ends when that check has.
    bool checked = false;
    repository.getHistorySnapshots("", 1, [&](auto) { checked = true; });
    while (!checked) {
        app.loop.runUntilIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    // Texts of stored entries with and without a fingerprint, spread over the history.
    std::vector<std::string> withFingerprint;
    std::vector<std::string> legacy;
    {
        std::mt19937 random(20261209);
        for (int i = 0; i < count; ++i) {
            auto entry = bench::historyEntry(random, i, false);
            if (i % 100 == 99) {
                if ((i / 100) % 33 == 0) legacy.push_back(std::move(entry.searchableText));
            } else if (i % 3331 == 0) {
                withFingerprint.push_back(std::move(entry.searchableText));
            }
        }
    }
    std::mt19937 random(5);
    int next = 0;
    const auto copyText = [&](const std::string& text) {
        const std::string id = "copy-" + std::to_string(next++);
        return timed([&] {
            const auto usage =
                repository.removeDuplicateTexts(text, std::nullopt, std::nullopt, std::nullopt);
            repository.saveTextItem({.id = id,
                                     .preview = text.substr(0, 100),
                                     .searchText = text,
                                     .content = text,
                                     .bundleIdentifier = "org.example.Editor",
                                     .lastAccessedAt = usage.lastAccessedAt,
                                     .accessCount = usage.accessCount});
        });
    };

    Costs fresh;
    for (int i = 0; i < 300; ++i) {
        fresh.milliseconds.push_back(copyText(bench::entryText(random, count + i) + " " + std::to_string(i)));
    }
    Costs again;
    for (const auto& text : withFingerprint) again.milliseconds.push_back(copyText(text));
    Costs withoutFingerprint;
    for (const auto& text : legacy) withoutFingerprint.milliseconds.push_back(copyText(text));
    Costs pictures;
    std::vector<std::uint8_t> picture(256 * 1024);
    for (int i = 0; i < 100; ++i) {
        for (auto& byte : picture) byte = static_cast<std::uint8_t>(random());
        // Half of them copied twice, so the second finds the first.
        const int copies = i % 2 == 0 ? 2 : 1;
        for (int c = 0; c < copies; ++c) {
            const std::string id = "picture-" + std::to_string(next++);
            pictures.milliseconds.push_back(timed([&] {
                const auto usage = repository.removeDuplicateImages(picture, std::nullopt);
                repository.saveImageItem({.id = id,
                                          .preview = "Image 512x512",
                                          .imageData = picture,
                                          .bundleIdentifier = "org.example.Paint",
                                          .lastAccessedAt = usage.lastAccessedAt,
                                          .accessCount = usage.accessCount});
            }));
        }
    }
    fresh.print("new_text", count);
    again.print("stored_text", count);
    withoutFingerprint.print("stored_without_fingerprint", count);
    pictures.print("picture", count);

    // The earlier look for copies without the fingerprint: every stored text compared with this one.
    ClipboardHistoryStoreContext reader(std::make_unique<SQLiteDatabase>(
        storage / "clipboard_history.sqlite", SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX));
    Costs comparingEveryText;
    for (int i = 0; i < 3; ++i) {
        comparingEveryText.milliseconds.push_back(timed([&] {
            (void)reader.fetchContents({.contentEquals = withFingerprint[i], .loadImageData = false});
        }));
    }
    comparingEveryText.print("earlier_look_without_fingerprint_only", count);
    repository.quiesce();
}

}  // namespace

int main() {
    const auto base = bench::historyCache("/tmp/quorvane-bench-histories");
    for (const int count : bench::sizes("1000000")) measure(count, base);
    return 0;
}
