#pragma once

// One user classification rule: when its condition holds for a clipboard text, the text gets the rule's
// result classification (free text). Stored as a JSON array of rule objects with the keys "id", "name",
// "conditionKind", "conditionValue", "resultClassification" and "isEnabled". Plain value; safe from any
// thread.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "classification/ClipboardUserClassificationConditionKind.h"

namespace quorvane {

// A stored rule list that cannot be read back: not JSON, not an array, a missing key, a value of the wrong
// type or an unknown condition kind.
class ClipboardUserClassificationRuleDecodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ClipboardUserClassificationRule {
    std::string id;
    std::string name;
    ClipboardUserClassificationConditionKind conditionKind =
        ClipboardUserClassificationConditionKind::containsText;
    std::string conditionValue;
    std::string resultClassification;
    bool isEnabled = true;

    // One line such as `Contains "x"` or "Regex: a+b" (the condition value trimmed).
    std::string conditionSummary() const;

    // Compact JSON array of the rules, all six keys per rule.
    static std::string encodeList(const std::vector<ClipboardUserClassificationRule>& rules);
    // Throws ClipboardUserClassificationRuleDecodingError; one bad rule fails the whole list.
    static std::vector<ClipboardUserClassificationRule> decodeList(std::string_view json);

    friend bool operator==(const ClipboardUserClassificationRule&,
                           const ClipboardUserClassificationRule&) = default;
};

}  // namespace quorvane
