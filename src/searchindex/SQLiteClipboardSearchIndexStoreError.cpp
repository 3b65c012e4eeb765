#include "searchindex/SQLiteClipboardSearchIndexStoreError.h"

namespace quorvane {

SQLiteClipboardSearchIndexStoreError::SQLiteClipboardSearchIndexStoreError(Kind kind, std::string message)
    : std::runtime_error(describe(kind, message)), kind_(kind), message_(std::move(message)) {}

std::string SQLiteClipboardSearchIndexStoreError::describe(Kind kind, const std::string& message) {
    switch (kind) {
        case Kind::openDatabase:
            return "Failed to open clipboard search database: " + message;
        case Kind::execute:
            return "Failed to execute clipboard search SQL: " + message;
        case Kind::prepare:
            return "Failed to prepare clipboard search SQL: " + message;
        case Kind::step:
            break;
    }
    return "Failed to step clipboard search SQL: " + message;
}

}  // namespace quorvane
