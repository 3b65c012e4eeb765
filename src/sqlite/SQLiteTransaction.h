#pragma once

// One write transaction (BEGIN IMMEDIATE) on a connection: commit() makes it durable; leaving the scope
// without commit() rolls it back, so an exception anywhere in between undoes every statement. The first error
// is the one that propagates: a failed rollback is dropped in its favour.

#include "sqlite/SQLiteDatabase.h"

namespace quorvane {

class SQLiteTransaction {
public:
    // Begins the transaction. Throws SQLiteError(execute), e.g. when the database is busy past its time-out.
    explicit SQLiteTransaction(SQLiteDatabase& db);
    ~SQLiteTransaction();
    SQLiteTransaction(const SQLiteTransaction&) = delete;
    SQLiteTransaction& operator=(const SQLiteTransaction&) = delete;

    // Commits. Throws SQLiteError(execute); the transaction is then rolled back by the destructor.
    void commit();

    // Runs `body` in a transaction of its own and commits it.
    template <class F>
    static void run(SQLiteDatabase& db, F&& body) {
        SQLiteTransaction transaction(db);
        body();
        transaction.commit();
    }

private:
    SQLiteDatabase& db_;
    bool open_ = true;
};

}  // namespace quorvane
