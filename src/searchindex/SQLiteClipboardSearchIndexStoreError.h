#pragma once

// The error of the search index store: which kind of step failed and SQLite's message. Thrown by every store
// operation; the callers log it ("Failed to ...") and fall back. A plain value.

#include <stdexcept>
#include <string>

namespace quorvane {

class SQLiteClipboardSearchIndexStoreError : public std::runtime_error {
public:
    enum class Kind { openDatabase, execute, prepare, step };

    SQLiteClipboardSearchIndexStoreError(Kind kind, std::string message);

    Kind kind() const { return kind_; }
    const std::string& message() const { return message_; }
    // The full description, also returned by what(): "Failed to open clipboard search database: <message>".
    static std::string describe(Kind kind, const std::string& message);

    friend bool operator==(const SQLiteClipboardSearchIndexStoreError& a,
                           const SQLiteClipboardSearchIndexStoreError& b) {
        return a.kind_ == b.kind_ && a.message_ == b.message_;
    }

private:
    Kind kind_;
    std::string message_;
};

// Thrown by reads while the index is filled or reindexed: the caller answers from the history meanwhile and
// may say so.
class ClipboardSearchIndexBuildingError : public SQLiteClipboardSearchIndexStoreError {
public:
    ClipboardSearchIndexBuildingError()
        : SQLiteClipboardSearchIndexStoreError(Kind::step, "clipboard search index is being built") {}
};

}  // namespace quorvane
