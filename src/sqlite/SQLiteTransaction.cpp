#include "sqlite/SQLiteTransaction.h"

#include <sqlite3.h>

namespace quorvane {

SQLiteTransaction::SQLiteTransaction(SQLiteDatabase& db) : db_(db) {
    db_.execute("BEGIN IMMEDIATE TRANSACTION;");
}

SQLiteTransaction::~SQLiteTransaction() {
    // Not execute(): a destructor must not throw, and the error that brought us here is the one that counts.
    if (open_) sqlite3_exec(db_.handle(), "ROLLBACK TRANSACTION;", nullptr, nullptr, nullptr);
}

void SQLiteTransaction::commit() {
    db_.execute("COMMIT TRANSACTION;");
    open_ = false;
}

}  // namespace quorvane
