#pragma once

// Runs SQL on a database file through a connection of its own, as another program touching the file would:
// for tests that plant faults (triggers) or damage in a store.

#include <filesystem>
#include <string>

namespace quorvane::testing {

// Fails the current test when the SQL does not run.
void runRawSql(const std::filesystem::path& file, const std::string& sql);

// Overwrites the first b-tree page of `table` (never the header page) with garbage, as a failing disk would.
// The file must be closed; its write-ahead log is folded in first. Fails the current test when it cannot.
void damageFirstPageOf(const std::filesystem::path& file, const std::string& table);

}  // namespace quorvane::testing
