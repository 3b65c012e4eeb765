#pragma once

// The fifteen built-in classifications of clipboard text, with their fixed definition table. Stored and
// encoded as the raw id (the case name); the position in the table is fixed and keys the highlighter factory.
// Plain values and constant tables; safe from any thread.

#include <array>
#include <optional>
#include <string_view>

namespace quorvane {

enum class ClipboardSystemClassification {
    url,
    githubPullRequest,
    githubIssue,
    email,
    ipAddress,
    uuid,
    json,
    jsonLines,
    sql,
    markdown,
    html,
    jwt,
    filePath,
    base64,
    curlCommand,
};

enum class ClipboardSystemClassificationGroup { general, developer };
enum class ClipboardClassificationTier { domain, structural };

inline constexpr std::array<ClipboardSystemClassification, 15> kAllSystemClassifications = {
    ClipboardSystemClassification::url,         ClipboardSystemClassification::githubPullRequest,
    ClipboardSystemClassification::githubIssue, ClipboardSystemClassification::email,
    ClipboardSystemClassification::ipAddress,   ClipboardSystemClassification::uuid,
    ClipboardSystemClassification::json,        ClipboardSystemClassification::jsonLines,
    ClipboardSystemClassification::sql,         ClipboardSystemClassification::markdown,
    ClipboardSystemClassification::html,        ClipboardSystemClassification::jwt,
    ClipboardSystemClassification::filePath,    ClipboardSystemClassification::base64,
    ClipboardSystemClassification::curlCommand,
};

inline constexpr std::array<ClipboardSystemClassificationGroup, 2> kAllSystemClassificationGroups = {
    ClipboardSystemClassificationGroup::general, ClipboardSystemClassificationGroup::developer};

struct ClipboardSystemClassificationDefinition {
    ClipboardSystemClassification id;
    std::string_view displayName;
    std::string_view summary;
    ClipboardClassificationTier tier;
    ClipboardSystemClassificationGroup group;

    // The fixed table, one row per classification in raw-index order.
    static const std::array<ClipboardSystemClassificationDefinition, 15>& all();

    friend bool operator==(const ClipboardSystemClassificationDefinition&,
                           const ClipboardSystemClassificationDefinition&) = default;
};

// The case name, such as "githubPullRequest".
std::string_view rawValue(ClipboardSystemClassification classification);
// The fixed English name, such as "GitHub PR".
std::string_view displayName(ClipboardSystemClassification classification);
std::string_view rawValue(ClipboardSystemClassificationGroup group);
std::string_view rawValue(ClipboardClassificationTier tier);

// Exact, case-sensitive raw id; nothing for any other text.
std::optional<ClipboardSystemClassification> systemClassificationFromRawValue(std::string_view raw);
// A stored or typed classification text: trimmed, then the first classification whose raw id, or else whose
// display name, equals it ignoring letter case. Nothing for a blank or unknown text.
std::optional<ClipboardSystemClassification> systemClassificationFromCaseInsensitiveRawValue(
    std::string_view text);

}  // namespace quorvane
