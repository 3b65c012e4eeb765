#pragma once

// The error of the history store: opening, refusing a file, or a failed statement. what() is the description
// that callers append to their "Failed to ..." log line.

#include <stdexcept>
#include <string>

namespace quorvane {

class HistoryStoreError : public std::runtime_error {
public:
    enum class Kind {
        open,          // the file cannot be opened or configured
        foreignFile,   // the file is not a history store of ours; it is left untouched
        newerVersion,  // the file was written by a newer version; it is left untouched
        damaged,       // the file failed its integrity check, or a statement found it damaged
        statement,     // a statement failed to prepare or run
    };

    HistoryStoreError(Kind kind, const std::string& description)
        : std::runtime_error(description), kind_(kind) {}

    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

}  // namespace quorvane
