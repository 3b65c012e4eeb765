#pragma once

// Classifies one clipboard text on this machine: the enabled system detectors in definition-table order,
// then the user's rules, then one primary classification. Holds only a cache of compiled rule patterns.
// Each instance serves one caller at a time (the cache itself is guarded, so sharing it is harmless).

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "classification/ClipboardClassificationDetecting.h"
#include "classification/UserRegularExpression.h"

namespace quorvane {

class LocalClipboardClassificationService final : public ClipboardClassificationDetecting {
public:
    LocalClipboardClassificationService() = default;
    LocalClipboardClassificationService(const LocalClipboardClassificationService&) = delete;
    LocalClipboardClassificationService& operator=(const LocalClipboardClassificationService&) = delete;

    // The text is trimmed first; a blank text gets no system match but the rules still run on it.
    ClipboardClassificationResult classify(
        std::string_view text, const std::set<ClipboardSystemClassification>& enabled,
        const std::vector<ClipboardUserClassificationRule>& rules) override;

    // The matches of the enabled classifications for an already trimmed text, in table order.
    static std::vector<ClipboardClassificationMatch> systemMatches(
        std::string_view text, const std::set<ClipboardSystemClassification>& enabled);
    // One classification's detector with its fixed confidence.
    static std::optional<ClipboardClassificationMatch> detect(ClipboardSystemClassification classification,
                                                              std::string_view text);
    // Whether `json` is a JSON object or array holding `key` (ignoring letter case) in an object less than
    // 64 levels deep.
    static bool jsonContainsKey(std::string_view json, std::string_view key);
    // Trimmed, non-empty results in order of first appearance (case-sensitive).
    static std::vector<std::string> uniqueUserClassifications(
        const std::vector<ClipboardMatchedUserClassificationRule>& matchedRules);
    // The highest confidence wins; a tie goes to the earlier match unless a GitHub match ties a non-GitHub
    // one.
    static std::optional<ClipboardSystemClassification> bestSystemMatch(
        const std::vector<ClipboardClassificationMatch>& matches);

    // Number of patterns compiled and kept for reuse (for tests and diagnostics).
    std::size_t cachedPatternCount() const;

    // Patterns kept at most; the rule list is short, this only bounds a pathological one.
    static constexpr std::size_t kPatternCacheLimit = 256;
    // Matching work all regular-expression rules of one text share, so that a copy is stored at once however
    // many rules backtrack: a fixed part, and a part that grows with the text so ordinary patterns still
    // read a megabyte.
    static constexpr int32_t kRuleWorkSteps = 100;
    static constexpr std::chrono::milliseconds kRuleWorkTime{50};
    static constexpr std::size_t kTextBytesPerExtraStep = 2048;

private:
    struct TextFacts;
    static UserRegularExpression::Budget ruleWorkBudget(std::string_view text);

    std::vector<ClipboardMatchedUserClassificationRule> evaluateUserRules(
        TextFacts& facts, const std::vector<ClipboardUserClassificationRule>& rules);
    bool ruleMatches(const ClipboardUserClassificationRule& rule, TextFacts& facts);
    bool regularExpressionMatches(const ClipboardUserClassificationRule& rule, std::string_view pattern,
                                  TextFacts& facts);

    mutable std::mutex cacheMutex_;
    std::map<std::string, std::shared_ptr<const UserRegularExpression>, std::less<>> regexCache_;
};

}  // namespace quorvane
