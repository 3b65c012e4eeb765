#include "support/StatementRecorder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>

namespace quorvane::testing {

struct StatementRecorderAccess {
    static void record(StatementRecorder& recorder, const char* sql) {
        std::lock_guard lock(recorder.mutex_);
        if (recorder.recording_) recorder.statements_.insert(sql);
    }
};

namespace {

std::atomic<StatementRecorder*> current{nullptr};

int onTrace(unsigned type, void*, void* statement, void*) {
    if (type != SQLITE_TRACE_STMT) return 0;
    StatementRecorder* recorder = current.load();
    const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
    if (recorder && sql) StatementRecorderAccess::record(*recorder, sql);
    return 0;
}

int installTrace(sqlite3* db, const char**, const sqlite3_api_routines*) {
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, onTrace, nullptr);
    return SQLITE_OK;
}

using EntryPoint = void (*)();

}  // namespace

StatementRecorder::StatementRecorder() {
    current.store(this);
    sqlite3_auto_extension(reinterpret_cast<EntryPoint>(installTrace));
}

StatementRecorder::~StatementRecorder() {
    sqlite3_cancel_auto_extension(reinterpret_cast<EntryPoint>(installTrace));
    current.store(nullptr);
}

void StatementRecorder::start() {
    std::lock_guard lock(mutex_);
    recording_ = true;
}

void StatementRecorder::stop() {
    std::lock_guard lock(mutex_);
    recording_ = false;
}

std::set<std::string> StatementRecorder::statements() const {
    std::lock_guard lock(mutex_);
    return statements_;
}

std::vector<std::string> StatementRecorder::planOf(const std::filesystem::path& file,
                                                   const std::string& sql) {
    std::vector<std::string> plan;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << file;
        sqlite3_close(db);
        return plan;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "cannot plan " << sql << ": " << sqlite3_errmsg(db);
    } else {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            const auto* detail = reinterpret_cast<const char*>(sqlite3_column_text(statement, 3));
            plan.emplace_back(detail ? detail : "");
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return plan;
}

}  // namespace quorvane::testing
