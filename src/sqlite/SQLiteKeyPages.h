#pragma once

// Reading a unique text column a page at a time: the column's own index holds its values in BINARY order,
// which is std::string's, so each page is a scan of that index from where the last one ended, with no sort
// and no row read. For comparing two tables' keys without holding either whole. Throws SQLiteError.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

class SQLiteDatabase;

// At most `most` values of `column` in `table` (both trusted names, never user input), those after `after`
// (from the first without it), ascending; fewer only when no more follow. The column must be unique and not
// null.
std::vector<std::string> textKeysAfter(SQLiteDatabase& db, std::string_view table, std::string_view column,
                                       const std::optional<std::string>& after, std::size_t most);

}  // namespace quorvane
