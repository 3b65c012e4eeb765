#pragma once

// One SQLite connection, open for the object's whole life and closed when it goes away; a failed open leaves
// no handle behind. Not thread-safe: use each connection from one thread or serial queue at a time.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "sqlite/SQLiteStatement.h"

struct sqlite3;

namespace quorvane {

// The connection's current message, or "Unknown SQLite error" when there is no connection or no message.
std::string sqliteErrorMessage(sqlite3* db);

class SQLiteDatabase {
public:
    // Opens `path` for reading and writing, creating the file when missing. Throws SQLiteError(open).
    explicit SQLiteDatabase(const std::filesystem::path& path);
    // Opens `path` with these sqlite3_open_v2 flags (read-only connections, no creation). Throws
    // SQLiteError(open).
    SQLiteDatabase(const std::filesystem::path& path, int openFlags);
    ~SQLiteDatabase();
    SQLiteDatabase(const SQLiteDatabase&) = delete;
    SQLiteDatabase& operator=(const SQLiteDatabase&) = delete;

    // Runs SQL text without parameters or results. Throws SQLiteError(execute).
    void execute(const std::string& sql);
    // Compiles one statement. Throws SQLiteError(prepare).
    SQLiteStatement prepare(std::string_view sql);
    // Rewrites the file from its live rows and copies the write-ahead log back, truncating it to nothing, so
    // that no removed row stays readable in the file or its log. Waits for readers up to the busy timeout,
    // and for another connection's checkpoint up to five seconds. Throws SQLiteError(execute), also when a
    // reader kept the log from being truncated.
    void rewriteWithoutRemovedData();
    // The rowid of the last successful INSERT on this connection.
    std::int64_t lastInsertRowID() const;

    sqlite3* handle() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

}  // namespace quorvane
