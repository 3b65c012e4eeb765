#include "classification/ClipboardUserClassificationConditionKind.h"

namespace quorvane {

std::string_view rawValue(ClipboardUserClassificationConditionKind kind) {
    static constexpr std::array<std::string_view, 8> names = {
        "containsText", "prefix",       "suffix",        "regularExpression",
        "domain",       "pathContains", "jsonKeyExists", "matchedSystemClassification"};
    return names[static_cast<std::size_t>(kind)];
}

std::optional<ClipboardUserClassificationConditionKind> conditionKindFromRawValue(std::string_view raw) {
    for (const auto kind : kAllConditionKinds) {
        if (rawValue(kind) == raw) return kind;
    }
    return std::nullopt;
}

}  // namespace quorvane
