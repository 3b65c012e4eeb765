#pragma once

// What one classification of a clipboard text found: the system classifications that matched (with their
// fixed confidence), the user rules that matched, and the one primary classification text stored on the
// history entry. Plain values; safe from any thread.

#include <string>
#include <vector>

#include "classification/ClipboardSystemClassification.h"

namespace quorvane {

struct ClipboardClassificationMatch {
    ClipboardSystemClassification classification;
    double confidence = 0;  // 1.0, 0.8 or 0.6, fixed per classification

    friend bool operator==(const ClipboardClassificationMatch&,
                           const ClipboardClassificationMatch&) = default;
};

struct ClipboardMatchedUserClassificationRule {
    std::string ruleID;
    std::string ruleName;
    std::string resultClassification;
    std::string conditionSummary;

    friend bool operator==(const ClipboardMatchedUserClassificationRule&,
                           const ClipboardMatchedUserClassificationRule&) = default;
};

struct ClipboardClassificationResult {
    std::vector<ClipboardClassificationMatch> systemMatches;  // in definition-table order
    std::vector<std::string> userClassifications;             // rule order, no duplicates
    // The first user classification, else the best system match's display name, else "Text".
    std::string primaryClassification;
    std::vector<ClipboardMatchedUserClassificationRule> matchedRules;  // rule order

    friend bool operator==(const ClipboardClassificationResult&,
                           const ClipboardClassificationResult&) = default;
};

}  // namespace quorvane
