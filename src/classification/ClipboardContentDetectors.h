#pragma once

// The tests that decide whether a whole clipboard text is of one system classification. Pure functions
// of the text, linear in its length (no pattern engine that can backtrack), never throwing. The classifier
// calls them with the text already trimmed of white space and line breaks. Safe from any thread.

#include <optional>
#include <string_view>

#include "classification/HttpUrl.h"

namespace quorvane {

class ClipboardContentDetectors {
public:
    ClipboardContentDetectors() = delete;

    enum class GitHubReference { pullRequest, issue };

    // The public host of the GitHub service; its subdomains count too.
    static constexpr std::string_view kGitHubHost = "github.com";

    // The text as exactly one http(s) link, or nothing.
    static std::optional<HttpUrl> detectHTTPURL(std::string_view text);
    // A link to a pull request or an issue: owner, repository, "pull" or "issues", a number.
    static std::optional<GitHubReference> detectGitHubReference(std::string_view text);
    static bool isEmailAddress(std::string_view text);
    // Four dot-separated decimal parts 0-255, digits only, no leading zero.
    static bool isIPv4Address(std::string_view text);
    // The canonical 8-4-4-4-12 hexadecimal form.
    static bool isUUID(std::string_view text);
    // A complete JSON object or array.
    static bool isJSON(std::string_view text);
    // Two or more lines that are each a JSON object or array (blank lines skipped).
    static bool isJSONLines(std::string_view text);
    static bool isSQLStatement(std::string_view text);
    // A heading, bullet, numbered item, link, fenced code block or quote anywhere in the text.
    static bool isMarkdown(std::string_view text);
    // One element with its matching end tag spanning the text, or one self-closing tag.
    static bool isHTML(std::string_view text);
    // Three dot-separated base64url parts whose first two decode to JSON; an optional "Bearer " before.
    static bool detectJWT(std::string_view text);
    static bool isFilePath(std::string_view text);
    static bool isValidPathComponents(std::string_view text);
    // A canonical standard or URL-safe Base64 text that does not read as a word, code or path.
    static bool isBase64(std::string_view text);
    // "curl" followed by white space (lower case, as the shell command is written).
    static bool isCurlCommand(std::string_view text);
    // Decodes base64url (padding optional) and reads the bytes as a JSON object or array.
    static bool decodesBase64URLToJSON(std::string_view text);
};

}  // namespace quorvane
