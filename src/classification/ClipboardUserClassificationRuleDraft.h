#pragma once

// The editable form of a user classification rule (no id yet), and its validation into a rule. Used by the
// classification window's rule editor. Plain value; safe from any thread.

#include <optional>
#include <stdexcept>
#include <string>

#include "classification/ClipboardUserClassificationRule.h"

namespace quorvane {

class ClipboardUserClassificationRuleValidationError : public std::exception {
public:
    enum class Kind {
        missingName,
        missingConditionValue,
        missingResultClassification,
        invalidSystemClassification,
        invalidRegularExpression,
    };

    explicit ClipboardUserClassificationRuleValidationError(Kind kind) : kind_(kind) {}
    Kind kind() const { return kind_; }
    // The fixed English message shown under the editor, such as "Rule name is required.".
    const char* what() const noexcept override;

private:
    Kind kind_;
};

struct ClipboardUserClassificationRuleDraft {
    std::string name;
    ClipboardUserClassificationConditionKind conditionKind =
        ClipboardUserClassificationConditionKind::containsText;
    std::string conditionValue;
    std::string resultClassification;
    bool isEnabled = true;

    // The rule with trimmed texts and the given id (a new upper-case UUID when none is given). Throws
    // ClipboardUserClassificationRuleValidationError with the first failing check; the draft is unchanged.
    ClipboardUserClassificationRule validatedRule(const std::optional<std::string>& id) const;

    friend bool operator==(const ClipboardUserClassificationRuleDraft&,
                           const ClipboardUserClassificationRuleDraft&) = default;
};

}  // namespace quorvane
