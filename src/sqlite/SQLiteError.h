#pragma once

// The error of the SQLite wrappers: which step failed, SQLite's result code and the connection's message.
// Services turn it into their own error type. A plain value: safe from any thread.

#include <stdexcept>
#include <string>

namespace quorvane {

class SQLiteError : public std::runtime_error {
public:
    enum class Kind { open, execute, prepare, bind, step };

    SQLiteError(Kind kind, int resultCode, std::string message);

    Kind kind() const { return kind_; }
    // The extended result code of the failing call.
    int resultCode() const { return resultCode_; }
    // The connection's message, "Unknown SQLite error" when there was none.
    const std::string& message() const { return message_; }
    // True when the file is not a database or its contents are damaged.
    bool isCorruption() const;

private:
    Kind kind_;
    int resultCode_;
    std::string message_;
};

}  // namespace quorvane
