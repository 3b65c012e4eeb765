#include "sqlite/SQLiteStatement.h"

#include <sqlite3.h>

#include <utility>

#include "sqlite/SQLiteDatabase.h"
#include "sqlite/SQLiteError.h"

namespace quorvane {

SQLiteStatement::~SQLiteStatement() {
    sqlite3_finalize(statement_);
}

SQLiteStatement::SQLiteStatement(SQLiteStatement&& other) noexcept
    : db_(other.db_), statement_(std::exchange(other.statement_, nullptr)) {}

SQLiteStatement& SQLiteStatement::operator=(SQLiteStatement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(statement_);
        db_ = other.db_;
        statement_ = std::exchange(other.statement_, nullptr);
    }
    return *this;
}

void SQLiteStatement::checkBind(int resultCode) const {
    if (resultCode != SQLITE_OK)
        throw SQLiteError(SQLiteError::Kind::bind, resultCode, sqliteErrorMessage(db_));
}

void SQLiteStatement::bindInt(int index, std::int32_t value) {
    checkBind(sqlite3_bind_int(statement_, index, value));
}

void SQLiteStatement::bindInt64(int index, std::int64_t value) {
    checkBind(sqlite3_bind_int64(statement_, index, value));
}

void SQLiteStatement::bindDouble(int index, double value) {
    checkBind(sqlite3_bind_double(statement_, index, value));
}

void SQLiteStatement::bindText(int index, std::string_view value) {
    // The byte length, not -1: a NUL inside the text must neither cut it short nor hide what follows.
    checkBind(
        sqlite3_bind_text64(statement_, index, value.data(), value.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
}

void SQLiteStatement::bindNull(int index) {
    checkBind(sqlite3_bind_null(statement_, index));
}

void SQLiteStatement::bindOptionalText(int index, const std::optional<std::string>& value) {
    if (value) {
        bindText(index, *value);
    } else {
        bindNull(index);
    }
}

void SQLiteStatement::bindBlob(int index, std::string_view bytes) {
    checkBind(sqlite3_bind_blob64(statement_, index, bytes.empty() ? "" : bytes.data(), bytes.size(),
                                  SQLITE_TRANSIENT));
}

void SQLiteStatement::bindOptionalBlob(int index, const std::optional<std::vector<std::uint8_t>>& value) {
    if (!value) {
        bindNull(index);
    } else if (value->empty()) {
        // A null pointer would bind NULL.
        checkBind(sqlite3_bind_zeroblob(statement_, index, 0));
    } else {
        checkBind(sqlite3_bind_blob64(statement_, index, value->data(), value->size(), SQLITE_TRANSIENT));
    }
}

bool SQLiteStatement::step() {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    throw SQLiteError(SQLiteError::Kind::step, sqlite3_extended_errcode(db_), sqliteErrorMessage(db_));
}

void SQLiteStatement::stepDone() {
    if (step()) {
        throw SQLiteError(SQLiteError::Kind::step, SQLITE_ROW,
                          "statement returned a row where none was expected");
    }
}

void SQLiteStatement::reset() {
    sqlite3_reset(statement_);
}

void SQLiteStatement::clearBindings() {
    sqlite3_clear_bindings(statement_);
}

bool SQLiteStatement::columnIsNull(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::int64_t SQLiteStatement::columnInt64(int column) const {
    return sqlite3_column_int64(statement_, column);
}

double SQLiteStatement::columnDouble(int column) const {
    return sqlite3_column_double(statement_, column);
}

std::optional<std::string> SQLiteStatement::columnText(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    if (text == nullptr) return std::nullopt;
    return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
}

std::optional<std::vector<std::uint8_t>> SQLiteStatement::columnBlob(int column) const {
    if (columnIsNull(column)) return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_, column));
    const int length = sqlite3_column_bytes(statement_, column);
    if (bytes == nullptr || length <= 0) return std::vector<std::uint8_t>{};
    return std::vector<std::uint8_t>(bytes, bytes + length);
}

}  // namespace quorvane
