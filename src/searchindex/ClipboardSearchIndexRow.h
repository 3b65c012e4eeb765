#pragma once

// One documents row as the search reads it: views of its texts and filter columns, valid while the statement
// that produced them stays on that row. A plain value; copy what must outlive the row.

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvane {

struct ClipboardSearchIndexRow {
    std::int64_t rank = 0;
    std::string_view normalizedText;
    std::string_view compactText;
    std::string_view pinyinSpaced;
    std::string_view pinyinCompact;
    std::string_view contentType;
    std::optional<std::string_view> bundleIdentifier;
    std::optional<std::string_view> classification;
    double createdAt = 0;
};

}  // namespace quorvane
