#include "sqlite/SQLiteError.h"

#include <sqlite3.h>

namespace quorvane {

SQLiteError::SQLiteError(Kind kind, int resultCode, std::string message)
    : std::runtime_error(message), kind_(kind), resultCode_(resultCode), message_(std::move(message)) {}

bool SQLiteError::isCorruption() const {
    const int primary = resultCode_ & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

}  // namespace quorvane
