#pragma once

// What the index queries need of the classification subsystem and of application identity, kept behind one
// small seam: the built-in classification names, the main-type words, and two providers that the service
// container fills in (the user's classification names, the resolution of an "app:" value). Pure and safe from
// any thread.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ClipboardContentType.h"

namespace quorvane {

struct ClipboardSearchVocabulary {
    struct ClassificationName {
        std::string_view rawValue;
        std::string_view displayName;
    };

    // The fifteen built-in classifications, in their fixed order.
    static constexpr std::array<ClassificationName, 15> builtInClassifications = {{
        {"url", "URL"},
        {"githubPullRequest", "GitHub PR"},
        {"githubIssue", "GitHub Issue"},
        {"email", "Email"},
        {"ipAddress", "IP"},
        {"uuid", "UUID"},
        {"json", "JSON"},
        {"jsonLines", "JSON Lines"},
        {"sql", "SQL"},
        {"markdown", "Markdown"},
        {"html", "HTML"},
        {"jwt", "JWT"},
        {"filePath", "File Path"},
        {"base64", "Base64"},
        {"curlCommand", "Curl"},
    }};

    // The main content type that `word` names ("text"; "image", "img"; a display name or raw value, compared
    // normalised), trying text before image; nothing for an empty or other word.
    static std::optional<ClipboardContentType> mainContentTypeMatching(std::string_view word);

    // True when `normalizedValue` is the normalised display name or raw value of a built-in classification.
    static bool namesBuiltInClassification(std::string_view normalizedValue);

    // The result classifications of the user's enabled rules, read anew on each call.
    using EnabledUserClassificationNames = std::function<std::vector<std::string>()>;

    // The stored bundle identifiers (`known`) that an "app:" value denotes, in the order of `known`.
    using BundleIdentifierResolver =
        std::function<std::vector<std::string>(const std::string& appValue, const std::vector<std::string>& known)>;

    // Until application names are known, an "app:" value matches identifiers only: a value with a dot equal to
    // an identifier (case-insensitively) takes just that one; otherwise, and when no identifier is equal
    // ("draw.io"), every identifier whose words contain the value's words ("chrome" finds com.google.Chrome).
    static std::vector<std::string> resolveByIdentifier(const std::string& appValue,
                                                        const std::vector<std::string>& known);
};

}  // namespace quorvane
