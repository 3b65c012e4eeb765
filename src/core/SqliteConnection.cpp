#include "core/SqliteConnection.h"

namespace quorvane {

namespace {

std::string messageOf(sqlite3* db) {
    const char* message = db ? sqlite3_errmsg(db) : nullptr;
    return message && *message ? message : "Unknown SQLite error";
}

}  // namespace

SqliteConnection::SqliteConnection(const std::filesystem::path& path, int flags) {
    const int result = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (result != SQLITE_OK) {
        const std::string message = messageOf(db_);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw HistoryStoreError(HistoryStoreError::Kind::open,
                                "Cannot open history store " + path.string() + ": " + message);
    }
    sqlite3_extended_result_codes(db_, 1);
}

SqliteConnection::~SqliteConnection() { sqlite3_close_v2(db_); }

void SqliteConnection::execute(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : messageOf(db_);
        sqlite3_free(error);
        throw HistoryStoreError(HistoryStoreError::Kind::statement, "History store SQL failed: " + message);
    }
}

SqliteStatement SqliteConnection::prepare(std::string_view sql) { return SqliteStatement(*this, sql); }

std::int64_t SqliteConnection::queryInteger(const char* sql) {
    SqliteStatement statement(*this, sql);
    return statement.step() ? statement.integer(0) : 0;
}

std::string SqliteConnection::errorMessage() const { return messageOf(db_); }

SqliteStatement::SqliteStatement(SqliteConnection& connection, std::string_view sql) : connection_(connection) {
    const int result = sqlite3_prepare_v2(connection.handle(), sql.data(), static_cast<int>(sql.size()), &stmt_,
                                          nullptr);
    if (result != SQLITE_OK) {
        throw HistoryStoreError(HistoryStoreError::Kind::statement,
                                "Cannot prepare history store SQL: " + connection.errorMessage());
    }
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(stmt_); }

void SqliteStatement::check(int result, const char* what) {
    if (result != SQLITE_OK) {
        throw HistoryStoreError(HistoryStoreError::Kind::statement,
                                std::string("Cannot ") + what + ": " + connection_.errorMessage());
    }
}

void SqliteStatement::bind(int index, std::string_view text) {
    check(sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8),
          "bind text");
}

void SqliteStatement::bind(int index, const std::optional<std::string>& text) {
    if (text) {
        bind(index, std::string_view(*text));
    } else {
        check(sqlite3_bind_null(stmt_, index), "bind null");
    }
}

void SqliteStatement::bind(int index, std::int64_t value) {
    check(sqlite3_bind_int64(stmt_, index, value), "bind integer");
}

void SqliteStatement::bind(int index, double value) { check(sqlite3_bind_double(stmt_, index, value), "bind real"); }

void SqliteStatement::bind(int index, const std::optional<double>& value) {
    if (value) {
        bind(index, *value);
    } else {
        check(sqlite3_bind_null(stmt_, index), "bind null");
    }
}

void SqliteStatement::bind(int index, const std::optional<std::vector<std::uint8_t>>& blob) {
    if (!blob) {
        check(sqlite3_bind_null(stmt_, index), "bind null");
    } else if (blob->empty()) {
        // A null pointer would bind NULL; an empty blob must stay a stored, empty value.
        check(sqlite3_bind_zeroblob(stmt_, index, 0), "bind blob");
    } else {
        check(sqlite3_bind_blob64(stmt_, index, blob->data(), blob->size(), SQLITE_TRANSIENT), "bind blob");
    }
}

bool SqliteStatement::step() {
    const int result = sqlite3_step(stmt_);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    throw HistoryStoreError(HistoryStoreError::Kind::statement,
                            "History store statement failed: " + connection_.errorMessage());
}

void SqliteStatement::run() {
    while (step()) {
    }
}

void SqliteStatement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

bool SqliteStatement::isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

std::string SqliteStatement::text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    const int length = sqlite3_column_bytes(stmt_, column);
    return bytes ? std::string(bytes, static_cast<std::size_t>(length)) : std::string();
}

std::optional<std::string> SqliteStatement::optionalText(int column) const {
    if (isNull(column)) return std::nullopt;
    return text(column);
}

std::int64_t SqliteStatement::integer(int column) const { return sqlite3_column_int64(stmt_, column); }

double SqliteStatement::real(int column) const { return sqlite3_column_double(stmt_, column); }

std::optional<std::vector<std::uint8_t>> SqliteStatement::optionalBlob(int column) const {
    if (isNull(column)) return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
    const int length = sqlite3_column_bytes(stmt_, column);
    if (!bytes || length <= 0) return std::vector<std::uint8_t>{};
    return std::vector<std::uint8_t>(bytes, bytes + length);
}

}  // namespace quorvane
