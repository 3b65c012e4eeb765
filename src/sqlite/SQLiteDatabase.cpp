#include "sqlite/SQLiteDatabase.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "sqlite/SQLiteError.h"

namespace quorvane {

std::string sqliteErrorMessage(sqlite3* db) {
    const char* message = db == nullptr ? nullptr : sqlite3_errmsg(db);
    if (message == nullptr || *message == '\0') return "Unknown SQLite error";
    return message;
}

SQLiteDatabase::SQLiteDatabase(const std::filesystem::path& path)
    : SQLiteDatabase(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) {}

SQLiteDatabase::SQLiteDatabase(const std::filesystem::path& path, int openFlags) {
    // Clipboard data is private: a database we create is the user's alone, and SQLite gives its -wal and
    // -shm files the same mode.
    if ((openFlags & SQLITE_OPEN_CREATE) != 0 && !path.empty() && path != ":memory:") {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) ::close(fd);
    }
    sqlite3* db = nullptr;
    const int result = sqlite3_open_v2(path.c_str(), &db, openFlags, nullptr);
    if (result != SQLITE_OK) {
        // sqlite3_open hands out a handle even when it fails; it must be closed here, nobody else owns it.
        std::string message = sqliteErrorMessage(db);
        const int code = db == nullptr ? result : sqlite3_extended_errcode(db);
        sqlite3_close_v2(db);
        throw SQLiteError(SQLiteError::Kind::open, code, std::move(message));
    }
    sqlite3_extended_result_codes(db, 1);
    db_ = db;
}

SQLiteDatabase::~SQLiteDatabase() {
    sqlite3_close_v2(db_);
}

void SQLiteDatabase::execute(const std::string& sql) {
    const int result = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) throw SQLiteError(SQLiteError::Kind::execute, result, sqliteErrorMessage(db_));
}

SQLiteStatement SQLiteDatabase::prepare(std::string_view sql) {
    sqlite3_stmt* statement = nullptr;
    const int result = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement, nullptr);
    if (result != SQLITE_OK) {
        sqlite3_finalize(statement);
        throw SQLiteError(SQLiteError::Kind::prepare, result, sqliteErrorMessage(db_));
    }
    return SQLiteStatement(db_, statement);
}

void SQLiteDatabase::rewriteWithoutRemovedData() {
    execute("VACUUM;");
    // A checkpoint another connection is running makes this one fail at once, without the busy handler;
    // those of the stores' own workers end within moments.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int result = SQLITE_BUSY;
    while (true) {
        result = sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        if (result != SQLITE_BUSY || std::chrono::steady_clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (result != SQLITE_OK) throw SQLiteError(SQLiteError::Kind::execute, result, sqliteErrorMessage(db_));
}

std::int64_t SQLiteDatabase::lastInsertRowID() const {
    return sqlite3_last_insert_rowid(db_);
}

}  // namespace quorvane
