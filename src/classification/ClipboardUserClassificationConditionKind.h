#pragma once

// The eight kinds of condition a user classification rule can test, stored as their raw string (the case
// name). Plain values; safe from any thread.

#include <array>
#include <optional>
#include <string_view>

namespace quorvane {

enum class ClipboardUserClassificationConditionKind {
    containsText,
    prefix,
    suffix,
    regularExpression,
    domain,
    pathContains,
    jsonKeyExists,
    matchedSystemClassification,
};

inline constexpr std::array<ClipboardUserClassificationConditionKind, 8> kAllConditionKinds = {
    ClipboardUserClassificationConditionKind::containsText,
    ClipboardUserClassificationConditionKind::prefix,
    ClipboardUserClassificationConditionKind::suffix,
    ClipboardUserClassificationConditionKind::regularExpression,
    ClipboardUserClassificationConditionKind::domain,
    ClipboardUserClassificationConditionKind::pathContains,
    ClipboardUserClassificationConditionKind::jsonKeyExists,
    ClipboardUserClassificationConditionKind::matchedSystemClassification,
};

std::string_view rawValue(ClipboardUserClassificationConditionKind kind);
// Exact raw string; nothing for any other text.
std::optional<ClipboardUserClassificationConditionKind> conditionKindFromRawValue(std::string_view raw);

}  // namespace quorvane
