#include "support/RawSqlite.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdint>
#include <fstream>

namespace quorvane::testing {

void runRawSql(const std::filesystem::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    const int result = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(result, SQLITE_OK) << message;
}

void damageFirstPageOf(const std::filesystem::path& file, const std::string& table) {
    // Every page must be in the file itself, not waiting in the log.
    runRawSql(file, "PRAGMA wal_checkpoint(TRUNCATE);");
    const std::filesystem::path log = file.string() + "-wal";
    ASSERT_TRUE(!std::filesystem::exists(log) || std::filesystem::file_size(log) == 0)
        << "the log holds pages";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    std::int64_t page = 0;
    std::int64_t pageSize = 0;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_master WHERE name = ?", -1, &statement,
                           nullptr) == SQLITE_OK) {
        sqlite3_bind_text(statement, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(statement) == SQLITE_ROW) page = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
    if (sqlite3_prepare_v2(db, "PRAGMA page_size", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        pageSize = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    ASSERT_GT(page, 1) << table;
    ASSERT_GT(pageSize, 0);

    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    ASSERT_TRUE(stream.is_open());
    stream.seekp((page - 1) * pageSize);
    const std::string garbage(static_cast<std::size_t>(pageSize), '\xa5');
    stream.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    ASSERT_TRUE(stream.good());
}

}  // namespace quorvane::testing
