#include "sqlite/SQLiteKeyPages.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "sqlite/SQLiteDatabase.h"

namespace quorvane {

std::vector<std::string> textKeysAfter(SQLiteDatabase& db, std::string_view table, std::string_view column,
                                       const std::optional<std::string>& after, std::size_t most) {
    const std::string name(column);
    SQLiteStatement statement =
        db.prepare("SELECT " + name + " FROM " + std::string(table) +
                   (after ? " WHERE " + name + " > ?1" : std::string()) + " ORDER BY " + name + " LIMIT ?2;");
    if (after) statement.bindText(1, *after);
    statement.bindInt64(
        2, static_cast<std::int64_t>(std::min<std::size_t>(most, std::numeric_limits<std::int64_t>::max())));
    std::vector<std::string> keys;
    while (statement.step()) {
        if (auto key = statement.columnText(0)) keys.push_back(std::move(*key));
    }
    return keys;
}

}  // namespace quorvane
