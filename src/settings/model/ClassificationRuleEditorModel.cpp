#include "settings/model/ClassificationRuleEditorModel.h"

namespace quorvane {

namespace {

using Kind = ClipboardUserClassificationConditionKind;

const std::array<ClassificationConditionKindInfo, 8> kKinds = {{
    {Kind::containsText, "Contains Text", "invoice", "Matches when the input contains the given text."},
    {Kind::prefix, "Prefix Match", "https://", "Matches when the input starts with the given text."},
    {Kind::suffix, "Suffix Match", ".sql", "Matches when the input ends with the given text."},
    {Kind::regularExpression, "Regex Match", "INV-[0-9]{4}",
     "Matches when the input satisfies the given regular expression."},
    {Kind::domain, "Domain Match", "github.com",
     "Matches when a detected URL host matches the given domain."},
    {Kind::pathContains, "Path Contains", "/pull/",
     "Matches when a detected URL path contains the given text."},
    {Kind::jsonKeyExists, "JSON Key Exists", "data",
     "Matches when a JSON object contains the given key anywhere in the payload."},
    {Kind::matchedSystemClassification, "Matched System Classification", "",
     "Matches when the input already hits a selected system classification."},
}};

}  // namespace

const std::array<ClassificationConditionKindInfo, 8>& ClassificationRuleEditorModel::kinds() {
    return kKinds;
}

const ClassificationConditionKindInfo& ClassificationRuleEditorModel::info(Kind kind) {
    for (const auto& entry : kKinds) {
        if (entry.kind == kind) return entry;
    }
    return kKinds.front();
}

Kind ClassificationRuleEditorModel::kindOf(const std::optional<std::string>& rawValue) {
    if (!rawValue) return Kind::containsText;
    return conditionKindFromRawValue(*rawValue).value_or(Kind::containsText);
}

bool ClassificationRuleEditorModel::showsValueRow(Kind kind) {
    return kind != Kind::matchedSystemClassification;
}

ClassificationRuleEditorControls ClassificationRuleEditorModel::controlsFor(
    const ClipboardUserClassificationRuleDraft& draft) {
    ClassificationRuleEditorControls controls;
    controls.name = draft.name;
    controls.resultClassification = draft.resultClassification;
    controls.isEnabled = draft.isEnabled;
    controls.selectedKindRawValue = std::string(rawValue(draft.conditionKind));
    controls.conditionValue = draft.conditionValue;
    controls.selectedSystemClassificationIndex = 0;
    if (draft.conditionKind == Kind::matchedSystemClassification) {
        if (const auto classification = systemClassificationFromRawValue(draft.conditionValue)) {
            controls.selectedSystemClassificationIndex = static_cast<std::size_t>(*classification);
        }
    }
    return controls;
}

ClipboardUserClassificationRuleDraft ClassificationRuleEditorModel::draftFrom(
    const ClassificationRuleEditorControls& controls) {
    ClipboardUserClassificationRuleDraft draft;
    draft.name = controls.name;
    draft.resultClassification = controls.resultClassification;
    draft.conditionKind = kindOf(controls.selectedKindRawValue);
    draft.isEnabled = controls.isEnabled;
    if (draft.conditionKind == Kind::matchedSystemClassification) {
        const auto index = controls.selectedSystemClassificationIndex;
        draft.conditionValue = index && *index < kAllSystemClassifications.size()
                                   ? std::string(rawValue(kAllSystemClassifications[*index]))
                                   : std::string();
    } else {
        draft.conditionValue = controls.conditionValue;
    }
    return draft;
}

}  // namespace quorvane
