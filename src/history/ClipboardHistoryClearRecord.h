#pragma once

// Clear All History is recorded before it starts: a marker file in the storage folder, written atomically,
// that holds the time of the clear and goes only once neither database nor its log holds anything cleared.
// A marker found at start means a clear was cut short (the program died during it, or part of it failed);
// the start finishes it before anything else opens the files. Plain functions; the storage folder must not be
// in use by another store meanwhile.

#include <filesystem>
#include <optional>

#include "base/Date.h"

namespace quorvane {

class ClipboardHistoryClearRecord {
public:
    static constexpr const char* fileName = "clipboard_history.clearing";

    // Writes the marker for a clear made at `at`. Throws std::system_error; then no clear may start.
    static void begin(const std::filesystem::path& folder, Date at);
    // Removes the marker. Throws std::filesystem::filesystem_error.
    static void end(const std::filesystem::path& folder);
    // Whether a marker lies in `folder`.
    static bool isPending(const std::filesystem::path& folder);

    // When a marker lies in `folder`: removes the entries created up to its time from `historyFile` and
    // erases them from the file and its log, deletes the search index at `indexFile` with its log (it is
    // filled again from the history), and removes the marker. An unreadable marker clears the whole history.
    // Returns whether there was a clear to finish. Throws on failure, and then the marker stays.
    static bool finishPending(const std::filesystem::path& folder, const std::filesystem::path& historyFile,
                              const std::filesystem::path& indexFile);
};

}  // namespace quorvane
