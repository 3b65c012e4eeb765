#pragma once

// One compiled SQL statement of an SQLiteDatabase, finalized when the object goes away, whatever path the
// caller takes. Texts are bound and read with their byte length, so a NUL inside a text is kept. Used only on
// the thread that uses its connection; the connection must outlive it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace quorvane {

class SQLiteStatement {
public:
    SQLiteStatement(sqlite3* db, sqlite3_stmt* statement) : db_(db), statement_(statement) {}
    ~SQLiteStatement();
    SQLiteStatement(SQLiteStatement&& other) noexcept;
    SQLiteStatement& operator=(SQLiteStatement&& other) noexcept;
    SQLiteStatement(const SQLiteStatement&) = delete;
    SQLiteStatement& operator=(const SQLiteStatement&) = delete;

    // Parameters are numbered from 1. Each throws SQLiteError(bind) when SQLite refuses the value.
    void bindInt(int index, std::int32_t value);
    void bindInt64(int index, std::int64_t value);
    void bindDouble(int index, double value);
    void bindText(int index, std::string_view value);
    void bindNull(int index);
    // Binds NULL when the text is absent.
    void bindOptionalText(int index, const std::optional<std::string>& value);
    // The bytes as a blob (never NULL, also when empty).
    void bindBlob(int index, std::string_view bytes);
    // Binds NULL when the bytes are absent and a zero-length blob when they are empty: the two stay apart.
    void bindOptionalBlob(int index, const std::optional<std::vector<std::uint8_t>>& value);

    // Steps once: true on a row, false when done; any other result throws SQLiteError(step).
    bool step();
    // Steps once and requires the statement to be done (a write).
    void stepDone();
    // Makes the statement ready to run again with new bindings.
    void reset();
    void clearBindings();

    bool columnIsNull(int column) const;
    std::int64_t columnInt64(int column) const;
    double columnDouble(int column) const;
    // The text of a column, absent when it is NULL.
    std::optional<std::string> columnText(int column) const;
    // The bytes of a column, absent when it is NULL; an empty blob stays present and empty.
    std::optional<std::vector<std::uint8_t>> columnBlob(int column) const;

    sqlite3_stmt* handle() const { return statement_; }

private:
    void checkBind(int resultCode) const;

    sqlite3* db_;
    sqlite3_stmt* statement_;
};

}  // namespace quorvane
