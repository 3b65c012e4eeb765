#pragma once

// Records the SQL of the statements run on every SQLite connection of this process opened while the recorder
// lives (it installs itself on each connection as it opens), for tests that check which statements an
// operation runs and how SQLite plans them. One recorder at a time; safe from any thread.

#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace quorvane::testing {

class StatementRecorder {
public:
    StatementRecorder();
    ~StatementRecorder();
    StatementRecorder(const StatementRecorder&) = delete;
    StatementRecorder& operator=(const StatementRecorder&) = delete;

    // Statements run from now on are kept, until stop().
    void start();
    void stop();
    // The distinct statements kept, as written (parameters unbound).
    std::set<std::string> statements() const;

    // The plan SQLite gives `sql` on `file` (one line per step, "SCAN ...", "SEARCH ...", "USE TEMP B-TREE
    // ..."); fails the current test when it cannot be planned.
    static std::vector<std::string> planOf(const std::filesystem::path& file, const std::string& sql);

private:
    friend struct StatementRecorderAccess;
    mutable std::mutex mutex_;
    bool recording_ = false;
    std::set<std::string> statements_;
};

}  // namespace quorvane::testing
