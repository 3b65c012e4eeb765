#pragma once
// The state of the classification window: enabled main content types, enabled system classifications and the
// user's rules. Every change is written to the settings before the call returns, so capture and search pick
// it up at their next use. The three tabs share one instance for the life of the window; it reads the stored
// values once, when it is made. Main thread only.

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "classification/ClipboardClassificationDetecting.h"
#include "classification/ClipboardMainContentType.h"
#include "classification/ClipboardSystemClassification.h"
#include "classification/ClipboardUserClassificationRule.h"
#include "classification/ClipboardUserClassificationRuleDraft.h"

namespace quorvane {

class UserDefaults;

struct ClassificationMainContentTypeItem {
    ClipboardMainContentTypeDefinition definition;
    bool isEnabled = false;
    friend bool operator==(const ClassificationMainContentTypeItem&,
                           const ClassificationMainContentTypeItem&) = default;
};

struct ClassificationSystemItem {
    ClipboardSystemClassificationDefinition definition;
    bool isEnabled = false;
    friend bool operator==(const ClassificationSystemItem&, const ClassificationSystemItem&) = default;
};

// What committing the rule editor came to: saved, or the validation message to show before the editor opens
// again with the same draft.
struct ClassificationRuleCommitOutcome {
    bool saved = false;
    std::string errorMessage;
};

class ClassificationSettingsViewModel {
public:
    // Reads the three stored values from `defaults`, which must outlive the view model.
    ClassificationSettingsViewModel(UserDefaults& defaults,
                                    std::unique_ptr<ClipboardClassificationDetecting> classifier);

    const std::set<ClipboardMainContentType>& enabledMainContentTypes() const { return enabledMainTypes_; }
    const std::set<ClipboardSystemClassification>& enabledSystemClassifications() const {
        return enabledSystem_;
    }
    const std::vector<ClipboardUserClassificationRule>& userRules() const { return userRules_; }

    std::vector<ClassificationMainContentTypeItem> mainContentTypeItems() const;
    // General first, then developer; each in table order. Groups without rows are left out.
    std::vector<std::pair<ClipboardSystemClassificationGroup, std::vector<ClassificationSystemItem>>>
    systemClassificationGroups() const;

    // Each re-reads the stored set (another window may have written it), changes one member and stores the
    // set again. Returns whether the member is enabled afterwards.
    bool setMainContentType(ClipboardMainContentType type, bool isEnabled);
    bool setSystemClassification(ClipboardSystemClassification classification, bool isEnabled);

    // Throw ClipboardUserClassificationRuleValidationError for a draft that fails validation; nothing changes
    // then. An added rule gets a new id and goes to the end; an update keeps the rule's id and position (an
    // id not in the list is appended).
    void addRule(const ClipboardUserClassificationRuleDraft& draft);
    void updateRule(const std::string& id, const ClipboardUserClassificationRuleDraft& draft);
    // Removes every rule with the id; stores the list even when none was removed.
    void deleteRule(const std::string& id);
    // False, and nothing stored, for an id not in the list; else the stored state of the rule.
    bool setRuleEnabled(const std::string& id, bool isEnabled);
    // Moves the first rule with the id to `index` (clamped to the list). False, and nothing stored, for an id
    // not in the list. Rules run in list order, so the order decides the primary classification.
    bool moveRule(const std::string& id, std::size_t index);

    // The editor's commit: adds (no id) or updates (an id). A validation failure is returned, not thrown.
    ClassificationRuleCommitOutcome commitRule(const std::optional<std::string>& id,
                                               const ClipboardUserClassificationRuleDraft& draft);
    // The draft the editor opens with: the draft kept from a failed save, else the rule's fields, else an
    // empty enabled "contains text" draft.
    static ClipboardUserClassificationRuleDraft editorDraft(
        const ClipboardUserClassificationRule* rule,
        const std::optional<ClipboardUserClassificationRuleDraft>& keptDraft);

    // The test tab's report for `sample`, with the current enabled classifications and rules.
    std::string detectionReport(const std::string& sample);

private:
    void saveRules(std::vector<ClipboardUserClassificationRule> rules);

    UserDefaults& defaults_;
    std::unique_ptr<ClipboardClassificationDetecting> classifier_;
    std::set<ClipboardMainContentType> enabledMainTypes_;
    std::set<ClipboardSystemClassification> enabledSystem_;
    std::vector<ClipboardUserClassificationRule> userRules_;
};

}  // namespace quorvane
