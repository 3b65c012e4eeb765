#pragma once

// Owning wrappers of a SQLite connection and a prepared statement. Every value is bound, never spliced into
// SQL; texts and blobs are bound with their byte length, so embedded NULs survive. A connection is used by one
// thread at a time; failures throw HistoryStoreError with the connection's message.

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/HistoryStoreError.h"

namespace quorvane {

class SqliteStatement;

class SqliteConnection {
public:
    // Opens `path` with the given sqlite3_open_v2 flags; throws HistoryStoreError(open).
    SqliteConnection(const std::filesystem::path& path, int flags);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    sqlite3* handle() const { return db_; }
    // Runs SQL that takes no values; throws HistoryStoreError(statement).
    void execute(const char* sql);
    SqliteStatement prepare(std::string_view sql);
    // The first column of the first row of `sql` as an integer (PRAGMA readers).
    std::int64_t queryInteger(const char* sql);
    std::string errorMessage() const;

private:
    sqlite3* db_ = nullptr;
};

class SqliteStatement {
public:
    SqliteStatement(SqliteConnection& connection, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept : connection_(other.connection_), stmt_(other.stmt_) {
        other.stmt_ = nullptr;
    }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Parameters are numbered from 1.
    void bind(int index, std::string_view text);
    void bind(int index, const std::optional<std::string>& text);
    void bind(int index, std::int64_t value);
    void bind(int index, double value);
    void bind(int index, const std::optional<double>& value);
    // Absent binds NULL; present and empty binds a zero-length blob.
    void bind(int index, const std::optional<std::vector<std::uint8_t>>& blob);

    // True when a row is ready; false when done. Throws on any other result.
    bool step();
    // Steps a statement that returns no rows.
    void run();
    void reset();

    bool isNull(int column) const;
    std::string text(int column) const;
    std::optional<std::string> optionalText(int column) const;
    std::int64_t integer(int column) const;
    double real(int column) const;
    std::optional<std::vector<std::uint8_t>> optionalBlob(int column) const;

private:
    void check(int result, const char* what);

    SqliteConnection& connection_;
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace quorvane
