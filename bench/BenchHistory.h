#pragma once

// History files of the search corpus's entries for the benchmarks that start from a large history, written
// once and kept: a 1,000,000-entry history takes minutes to write. Entries are texts of about 500
// characters with their real duplicate fingerprints, but one in a hundred is stored without one, as copies
// saved before fingerprints existed are.

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <stdexcept>
#include <string>

#include "SearchCorpus.h"
#include "history/ClipboardHistoryRepository.h"
#include "history/store/ClipboardHistoryStore.h"

namespace bench {

// Where kept histories live: QUORVANE_BENCH_DIR, else `fallback`.
inline std::filesystem::path historyCache(const std::filesystem::path& fallback) {
    const char* kept = std::getenv("QUORVANE_BENCH_DIR");
    const std::filesystem::path base = kept != nullptr ? std::filesystem::path(kept) : fallback;
    std::filesystem::create_directories(base);
    return base;
}

// The text of entry `index` of a made history: the same for every history made, whatever its size.
inline quorvane::ClipboardSearchSourceDocument historyEntry(std::mt19937& random, int index, bool shortIDs) {
    auto source = sourceDocument(random, index);
    if (!shortIDs) source.id = uuidOf(index);
    return source;
}

// Writes a history of `count` entries into `file`, in transactions of 10,000 entries. Ids are 36-character
// ids in random order, as the program's own are, or with `shortIDs` the corpus's "entry-N".
inline void writeHistory(const std::filesystem::path& file, int count, bool shortIDs) {
    using namespace quorvane;
    const auto partial = file.string() + ".partial";
    std::filesystem::remove(partial);
    {
        ClipboardHistoryStore store(partial);
        auto& context = store.mainContext();
        std::mt19937 random(20261209);
        for (int i = 0; i < count; ++i) {
            const auto source = historyEntry(random, i, shortIDs);
            context.insert(ClipboardHistoryIndex{
                source.id, source.preview, source.searchableText, source.createdAt, std::nullopt, 0,
                ClipboardContentType::text, source.bundleIdentifier, source.classification});
            std::optional<std::string> fingerprint;
            if (i % 100 != 99)
                fingerprint = ClipboardHistoryRepository::textFingerprint(source.searchableText);
            context.insert(ClipboardHistoryContent{source.id, source.searchableText, std::nullopt,
                                                   std::nullopt, std::nullopt, std::nullopt, fingerprint});
            if (i % 10'000 == 9'999) context.save();
        }
        context.save();
    }
    std::filesystem::rename(partial, file);
}

// The kept history of `count` entries in `base`, written first (in a child process, so that its making
// counts towards no figure of the caller) when it is not there yet.
inline std::filesystem::path keptHistory(const std::filesystem::path& base, int count,
                                         bool shortIDs = false) {
    const auto history =
        base / ((shortIDs ? "history-fp-" : "history-fp-uuid-") + std::to_string(count) + ".sqlite");
    if (std::filesystem::exists(history)) return history;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        writeHistory(history, count, shortIDs);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("writing the history failed");
    std::cout << "history of " << count << " entries written in "
              << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() << " s\n";
    return history;
}

}  // namespace bench
