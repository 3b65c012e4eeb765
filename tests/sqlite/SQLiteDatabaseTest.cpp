#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include "sqlite/SQLiteDatabase.h"
#include "sqlite/SQLiteError.h"
#include "sqlite/SQLiteTransaction.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

class SQLiteDatabaseTest : public ::testing::Test {
protected:
    testing::TemporaryDirectory directory_;
};

TEST_F(SQLiteDatabaseTest, OpenFailureThrowsOpenErrorWithTheConnectionMessage) {
    // A directory cannot be opened as a database file; the handle sqlite3_open hands out must not leak
    // (the sanitizer build checks that).
    try {
        SQLiteDatabase db(directory_.path());
        FAIL() << "opening a directory succeeded";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.kind(), SQLiteError::Kind::open);
        EXPECT_FALSE(error.message().empty());
        EXPECT_FALSE(error.isCorruption());
    }
}

TEST_F(SQLiteDatabaseTest, CreatedDatabaseAndItsLogArePrivateToTheUser) {
    const auto path = directory_ / "private.sqlite";
    const mode_t previous = ::umask(022);
    {
        SQLiteDatabase db(path);
        db.execute("PRAGMA journal_mode = WAL; CREATE TABLE t (v TEXT); INSERT INTO t VALUES ('secret');");
        struct stat info {};
        ASSERT_EQ(::stat((path.string() + "-wal").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
    ::umask(previous);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(SQLiteDatabaseTest, StatementsAreFinalizedOnEveryPath) {
    SQLiteDatabase db(directory_ / "a.sqlite");
    db.execute("CREATE TABLE t (v TEXT NOT NULL UNIQUE);");
    {
        auto insert = db.prepare("INSERT INTO t (v) VALUES (?);");
        insert.bindText(1, std::string_view("x"));
        insert.stepDone();
    }
    try {
        auto insert = db.prepare("INSERT INTO t (v) VALUES (?);");
        insert.bindText(1, std::string_view("x"));
        insert.stepDone();
        FAIL() << "a duplicate passed the UNIQUE constraint";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.kind(), SQLiteError::Kind::step);
        EXPECT_NE(error.message().find("UNIQUE"), std::string::npos) << error.message();
    }
    EXPECT_THROW(db.prepare("SELECT nothing FROM nowhere;"), SQLiteError);
    auto moved = db.prepare("SELECT v FROM t;");
    auto target = std::move(moved);
    target = db.prepare("SELECT COUNT(*) FROM t;");
    ASSERT_TRUE(target.step());
    EXPECT_EQ(target.columnInt64(0), 1);
    // Only the statement still alive remains.
    EXPECT_EQ(sqlite3_next_stmt(db.handle(), nullptr), target.handle());
    EXPECT_EQ(sqlite3_next_stmt(db.handle(), target.handle()), nullptr);
}

TEST_F(SQLiteDatabaseTest, TextsKeepEmbeddedNulsBothWays) {
    SQLiteDatabase db(directory_ / "a.sqlite");
    db.execute("CREATE TABLE t (v TEXT);");
    const std::string text("ab\0cd", 5);
    {
        auto insert = db.prepare("INSERT INTO t (v) VALUES (?), (?);");
        insert.bindText(1, text);
        insert.bindOptionalText(2, std::nullopt);
        insert.stepDone();
    }
    auto select = db.prepare("SELECT v, length(CAST(v AS BLOB)), instr(v, 'cd') FROM t ORDER BY rowid;");
    ASSERT_TRUE(select.step());
    EXPECT_EQ(select.columnText(0), text);
    EXPECT_EQ(select.columnInt64(1), 5);
    EXPECT_GT(select.columnInt64(2), 0);
    ASSERT_TRUE(select.step());
    EXPECT_EQ(select.columnText(0), std::nullopt);
    EXPECT_TRUE(select.columnIsNull(0));
    EXPECT_FALSE(select.step());
}

TEST_F(SQLiteDatabaseTest, AFileThatIsNoDatabaseReportsCorruption) {
    const auto path = directory_ / "garbage.sqlite";
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        const std::string garbage(8192, 'g');
        std::fwrite(garbage.data(), 1, garbage.size(), file);
        std::fclose(file);
    }
    SQLiteDatabase db(path);
    try {
        db.execute("PRAGMA journal_mode = WAL;");
        FAIL() << "garbage accepted as a database";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.kind(), SQLiteError::Kind::execute);
        EXPECT_TRUE(error.isCorruption()) << error.resultCode();
    }
}

TEST_F(SQLiteDatabaseTest, TransactionKeepsItsWritesOnlyWhenCommitted) {
    SQLiteDatabase db(directory_ / "transactions.sqlite");
    db.execute("CREATE TABLE t (v INTEGER);");
    const auto count = [&] {
        SQLiteStatement statement = db.prepare("SELECT COUNT(*) FROM t;");
        statement.step();
        return statement.columnInt64(0);
    };

    SQLiteTransaction::run(db, [&] { db.execute("INSERT INTO t VALUES (1);"); });
    EXPECT_EQ(count(), 1);

    {
        SQLiteTransaction abandoned(db);
        db.execute("INSERT INTO t VALUES (2);");
    }
    EXPECT_EQ(count(), 1);

    // The body's own error reaches the caller, and the connection is usable afterwards.
    EXPECT_THROW(SQLiteTransaction::run(db,
                                        [&] {
                                            db.execute("INSERT INTO t VALUES (3);");
                                            db.execute("INSERT INTO missing VALUES (4);");
                                        }),
                 SQLiteError);
    EXPECT_EQ(count(), 1);
    SQLiteTransaction::run(db, [&] { db.execute("INSERT INTO t VALUES (5);"); });
    EXPECT_EQ(count(), 2);
}

}  // namespace
}  // namespace quorvane
