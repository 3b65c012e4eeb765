#include "classification/ClipboardSystemClassification.h"

#include "base/CaseFolding.h"
#include "classification/ClassificationText.h"

namespace quorvane {

const std::array<ClipboardSystemClassificationDefinition, 15>&
ClipboardSystemClassificationDefinition::all() {
    using C = ClipboardSystemClassification;
    constexpr auto structural = ClipboardClassificationTier::structural;
    constexpr auto domain = ClipboardClassificationTier::domain;
    constexpr auto general = ClipboardSystemClassificationGroup::general;
    constexpr auto developer = ClipboardSystemClassificationGroup::developer;
    static const std::array<ClipboardSystemClassificationDefinition, 15> table = {{
        {C::url, "URL", "Detects complete HTTP or HTTPS links.", structural, general},
        {C::githubPullRequest, "GitHub PR", "Detects GitHub pull request URLs.", domain, developer},
        {C::githubIssue, "GitHub Issue", "Detects GitHub issue URLs.", domain, developer},
        {C::email, "Email", "Detects complete email addresses.", structural, general},
        {C::ipAddress, "IP", "Detects IPv4 addresses.", structural, general},
        {C::uuid, "UUID", "Detects canonical UUID strings.", structural, developer},
        {C::json, "JSON", "Detects valid JSON objects or arrays.", structural, developer},
        {C::jsonLines, "JSON Lines", "Detects JSON Lines format (one JSON object per line).", structural,
         developer},
        {C::sql, "SQL", "Detects common SQL statements.", structural, developer},
        {C::markdown, "Markdown", "Detects common Markdown formatting patterns.", structural, general},
        {C::html, "HTML", "Detects HTML tag structures.", structural, developer},
        {C::jwt, "JWT", "Detects JSON Web Tokens with decodable header and payload.", structural, developer},
        {C::filePath, "File Path", "Detects POSIX file or directory paths.", structural, general},
        {C::base64, "Base64", "Detects valid Base64 encoded strings.", structural, developer},
        {C::curlCommand, "Curl", "Detects curl command lines.", structural, developer},
    }};
    return table;
}

std::string_view rawValue(ClipboardSystemClassification classification) {
    static constexpr std::array<std::string_view, 15> names = {
        "url", "githubPullRequest", "githubIssue", "email", "ipAddress", "uuid",   "json",       "jsonLines",
        "sql", "markdown",          "html",        "jwt",   "filePath",  "base64", "curlCommand"};
    return names[static_cast<std::size_t>(classification)];
}

std::string_view displayName(ClipboardSystemClassification classification) {
    return ClipboardSystemClassificationDefinition::all()[static_cast<std::size_t>(classification)]
        .displayName;
}

std::string_view rawValue(ClipboardSystemClassificationGroup group) {
    return group == ClipboardSystemClassificationGroup::general ? "general" : "developer";
}

std::string_view rawValue(ClipboardClassificationTier tier) {
    return tier == ClipboardClassificationTier::domain ? "domain" : "structural";
}

std::optional<ClipboardSystemClassification> systemClassificationFromRawValue(std::string_view raw) {
    for (const auto classification : kAllSystemClassifications) {
        if (rawValue(classification) == raw) return classification;
    }
    return std::nullopt;
}

std::optional<ClipboardSystemClassification> systemClassificationFromCaseInsensitiveRawValue(
    std::string_view text) {
    const std::string_view trimmed = trimmedWhitespaceAndNewlines(text);
    if (trimmed.empty()) return std::nullopt;
    for (const auto classification : kAllSystemClassifications) {
        if (equalIgnoringCase(rawValue(classification), trimmed) ||
            equalIgnoringCase(displayName(classification), trimmed)) {
            return classification;
        }
    }
    return std::nullopt;
}

}  // namespace quorvane
