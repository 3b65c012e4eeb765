#pragma once
// What the rule editor shows for each condition kind and how it turns a draft into control values and back.
// The editor validates nothing: the user rules tab validates what it commits. Plain values; main thread.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "classification/ClipboardSystemClassification.h"
#include "classification/ClipboardUserClassificationConditionKind.h"
#include "classification/ClipboardUserClassificationRuleDraft.h"

namespace quorvane {

struct ClassificationConditionKindInfo {
    ClipboardUserClassificationConditionKind kind;
    std::string_view title;
    std::string_view placeholder;
    std::string_view explanation;
};

// What the controls hold while the editor is open.
struct ClassificationRuleEditorControls {
    std::string name;
    std::string resultClassification;
    // The raw value the kind list's selected item carries; nothing when no item is selected.
    std::optional<std::string> selectedKindRawValue;
    std::string conditionValue;
    // Index into the system classification list; nothing when none is selected.
    std::optional<std::size_t> selectedSystemClassificationIndex;
    bool isEnabled = true;
};

class ClassificationRuleEditorModel {
public:
    ClassificationRuleEditorModel() = delete;

    // The eight kinds in list order, with their fixed English texts.
    static const std::array<ClassificationConditionKindInfo, 8>& kinds();
    static const ClassificationConditionKindInfo& info(ClipboardUserClassificationConditionKind kind);
    // The selected item's raw value read as a kind; no item or an unknown value is "contains text".
    static ClipboardUserClassificationConditionKind kindOf(const std::optional<std::string>& rawValue);
    // Only the system classification kind hides the value row and shows the classification row.
    static bool showsValueRow(ClipboardUserClassificationConditionKind kind);

    static ClassificationRuleEditorControls controlsFor(const ClipboardUserClassificationRuleDraft& draft);
    // The draft the controls describe: texts as typed, the classification kind's value taken from the
    // selected classification whatever the hidden value field holds.
    static ClipboardUserClassificationRuleDraft draftFrom(const ClassificationRuleEditorControls& controls);
};

}  // namespace quorvane
