#include "classification/ClipboardUserClassificationRuleDraft.h"

#include "base/Uuid.h"
#include "classification/ClassificationText.h"
#include "classification/ClipboardSystemClassification.h"
#include "classification/UserRegularExpression.h"

namespace quorvane {

const char* ClipboardUserClassificationRuleValidationError::what() const noexcept {
    switch (kind_) {
        case Kind::missingName:
            return "Rule name is required.";
        case Kind::missingConditionValue:
            return "Condition value is required.";
        case Kind::missingResultClassification:
            return "Result classification is required.";
        case Kind::invalidSystemClassification:
            return "Choose a valid system classification.";
        case Kind::invalidRegularExpression:
            return "Enter a valid regular expression.";
    }
    return "";
}

ClipboardUserClassificationRule ClipboardUserClassificationRuleDraft::validatedRule(
    const std::optional<std::string>& id) const {
    using Error = ClipboardUserClassificationRuleValidationError;
    const std::string_view trimmedName = trimmedWhitespaceAndNewlines(name);
    const std::string_view trimmedValue = trimmedWhitespaceAndNewlines(conditionValue);
    const std::string_view trimmedResult = trimmedWhitespaceAndNewlines(resultClassification);
    if (trimmedName.empty()) throw Error(Error::Kind::missingName);
    if (trimmedValue.empty()) throw Error(Error::Kind::missingConditionValue);
    if (trimmedResult.empty()) throw Error(Error::Kind::missingResultClassification);
    if (conditionKind == ClipboardUserClassificationConditionKind::regularExpression &&
        !UserRegularExpression::compile(trimmedValue)) {
        throw Error(Error::Kind::invalidRegularExpression);
    }
    if (conditionKind == ClipboardUserClassificationConditionKind::matchedSystemClassification &&
        !systemClassificationFromRawValue(trimmedValue)) {
        throw Error(Error::Kind::invalidSystemClassification);
    }
    return ClipboardUserClassificationRule{
        id ? *id : makeUuidString(), std::string(trimmedName),   conditionKind,
        std::string(trimmedValue),   std::string(trimmedResult), isEnabled};
}

}  // namespace quorvane
