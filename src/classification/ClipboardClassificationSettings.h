#pragma once

// The stored side of classification: enabled system classifications, enabled main content types and the
// user's rules, read from and written to the user defaults on every call (no cache). Stateless; runs on the
// caller's thread (the defaults store is safe from any thread).

#include <set>
#include <string>
#include <vector>

#include "classification/ClipboardMainContentType.h"
#include "classification/ClipboardSystemClassification.h"
#include "classification/ClipboardUserClassificationRule.h"
#include "platform/UserDefaults.h"

namespace quorvane {

class ClipboardClassificationSettings {
public:
    ClipboardClassificationSettings() = delete;

    static constexpr const char* kEnabledSystemClassificationsKey =
        "ClipboardClassificationEnabledSystemClassifications";
    static constexpr const char* kEnabledMainContentTypesKey =
        "ClipboardClassificationEnabledMainContentTypes";
    static constexpr const char* kUserRulesKey = "ClipboardClassificationUserRules";
    // Where a stored rule list that cannot be read is kept before a write replaces it; later ones go under
    // this key with ".2", ".3"... appended.
    static constexpr const char* kUserRulesBackupKey = "ClipboardClassificationUserRules.Backup";

    // All fifteen when the setting is missing or not a list of strings; unknown strings are skipped.
    static std::set<ClipboardSystemClassification> enabledSystemClassifications(const UserDefaults& defaults);
    // Both when the setting is missing or not a list of strings; unknown strings are skipped.
    static std::set<ClipboardMainContentType> enabledMainContentTypes(const UserDefaults& defaults);
    // The stored rules in order, without those whose trimmed name or result is empty. A list that cannot be
    // decoded gives no rules and one ERROR line; the stored value is left as it is.
    static std::vector<ClipboardUserClassificationRule> userRules(const UserDefaults& defaults);
    // Stores the rules (same filter as reading). An undecodable stored list is first copied to the backup
    // key.
    static void setUserRules(const std::vector<ClipboardUserClassificationRule>& rules,
                             UserDefaults& defaults);

    // Stored forms the classification window writes for the two enabled lists.
    static void setEnabledSystemClassifications(const std::set<ClipboardSystemClassification>& enabled,
                                                UserDefaults& defaults);
    static void setEnabledMainContentTypes(const std::set<ClipboardMainContentType>& enabled,
                                           UserDefaults& defaults);
};

}  // namespace quorvane
