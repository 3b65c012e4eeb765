#include "history/ClipboardHistoryClearRecord.h"

#include <fmt/format.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "base/AtomicFile.h"
#include "base/Logger.h"
#include "history/store/ClipboardHistoryStore.h"

namespace quorvane {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLogCategory = "ClipboardHistoryRepository";

// The time a marker holds; nothing when it cannot be read as one.
std::optional<Date> readClearTime(const fs::path& marker) {
    std::ifstream in(marker);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double seconds = std::strtod(text.c_str(), &end);
    if (errno != 0 || end == text.c_str()) return std::nullopt;
    return Date(seconds);
}

// Deletes the entries created up to `clearedAt` (all of them without a time), and the contents no kept entry
// owns, then rewrites the file without them.
void clearHistoryFile(const fs::path& historyFile, std::optional<Date> clearedAt) {
    std::error_code error;
    if (!fs::exists(historyFile, error)) return;
    ClipboardHistoryStore store(historyFile);
    auto& context = store.mainContext();
    std::set<std::string> kept;
    for (const auto& index : context.fetchIndexes()) {
        if (clearedAt && index.createdAt > *clearedAt) {
            kept.insert(index.id);
        } else {
            context.deleteIndex(index.id);
        }
    }
    if (kept.empty()) {
        context.deleteAllIndexes();
        context.deleteAllContents();
    } else {
        for (const auto& content : context.fetchContents({.loadImageData = false})) {
            if (!kept.contains(content.id)) context.deleteContent(content.id);
        }
    }
    context.save();
    context.eraseRemovedData();
}

}  // namespace

void ClipboardHistoryClearRecord::begin(const fs::path& folder, Date at) {
    // The shortest text that reads back to the same time, so no entry of that very moment is missed.
    writeFileAtomically(folder / fileName, fmt::format("{}", at.timeIntervalSince1970), 0600);
}

void ClipboardHistoryClearRecord::end(const fs::path& folder) {
    fs::remove(folder / fileName);
}

bool ClipboardHistoryClearRecord::isPending(const fs::path& folder) {
    std::error_code error;
    return fs::exists(folder / fileName, error);
}

bool ClipboardHistoryClearRecord::finishPending(const fs::path& folder, const fs::path& historyFile,
                                                const fs::path& indexFile) {
    if (!isPending(folder)) return false;
    const std::optional<Date> clearedAt = readClearTime(folder / fileName);
    Logger::warning(clearedAt ? fmt::format("Finishing a Clear All History that did not end: removing the "
                                            "entries saved up to {}",
                                            clearedAt->timeIntervalSince1970)
                              : std::string("Finishing a Clear All History that did not end: its record is "
                                            "unreadable, so every entry is removed"),
                    kLogCategory);
    // The index is derived from the history: deleting it is the one sure way to leave nothing of it behind.
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(indexFile.string() + suffix);
    clearHistoryFile(historyFile, clearedAt);
    end(folder);
    Logger::info("Finished the interrupted Clear All History", kLogCategory);
    return true;
}

}  // namespace quorvane
