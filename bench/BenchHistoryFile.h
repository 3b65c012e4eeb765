#pragma once

// A history file of many text entries, written straight into the store as quorvane keeps it, for the
// benchmarks that start the program over a large history.

#include <filesystem>
#include <random>
#include <string>

#include "SearchCorpus.h"
#include "history/store/ClipboardHistoryStore.h"
#include "system/DataDirectoryManager.h"

namespace bench {

// A history of `count` text entries in `storage`, written in transactions of 10,000. `corpusTexts`: the
// search benchmarks' entries of about 500 characters instead of short lines.
inline void writeHistory(const std::filesystem::path& storage, int count, bool corpusTexts = false) {
    using namespace quorvane;
    std::filesystem::create_directories(storage);
    ClipboardHistoryStore store(storage / DataDirectoryManager::databaseFileName);
    std::mt19937 random(20261209);
    for (int i = 0; i < count; ++i) {
        const std::string id = "entry-" + std::to_string(i);
        const std::string text = corpusTexts
                                     ? entryText(random, i)
                                     : "idle entry number " + std::to_string(i) + " with some words to index";
        store.mainContext().insert(
            ClipboardHistoryIndex{id, text.substr(0, 40), text, Date(1'700'000'000 + i), std::nullopt, 0,
                                  ClipboardContentType::text, std::nullopt, std::nullopt});
        store.mainContext().insert(ClipboardHistoryContent{id, text, std::nullopt, std::nullopt, std::nullopt,
                                                           std::nullopt, std::nullopt});
        if (i % 10'000 == 9'999) store.mainContext().save();
    }
    store.mainContext().save();
}

}  // namespace bench
