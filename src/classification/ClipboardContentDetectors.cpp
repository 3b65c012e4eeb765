#include "classification/ClipboardContentDetectors.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

#include "base/Base64.h"
#include "base/Uuid.h"
#include "classification/ClassificationText.h"
#include "classification/JsonReader.h"

namespace quorvane {
namespace {

bool isAsciiUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool isAsciiLower(char c) {
    return c >= 'a' && c <= 'z';
}
bool isAsciiLetter(char c) {
    return isAsciiUpper(c) || isAsciiLower(c);
}
bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isAsciiAlnum(char c) {
    return isAsciiLetter(c) || isAsciiDigit(c);
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string asciiLowercased(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (isAsciiUpper(c)) c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

// Pieces of `text` between separators; empty pieces kept or dropped.
std::vector<std::string_view> split(std::string_view text, char separator, bool keepEmpty) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (true) {
        const std::size_t found = text.find(separator, start);
        const std::size_t end = found == std::string_view::npos ? text.size() : found;
        if (keepEmpty || end > start) pieces.push_back(text.substr(start, end - start));
        if (found == std::string_view::npos) break;
        start = found + 1;
    }
    return pieces;
}

template <class Predicate>
bool allBytes(std::string_view text, Predicate predicate) {
    return std::all_of(text.begin(), text.end(), predicate);
}

// Letters of the e-mail pattern, which is applied ignoring case: besides ASCII letters, the two characters
// whose case folding is an ASCII letter (long s and the Kelvin sign).
bool isEmailLetter(UChar32 c) {
    return (c < 0x80 && isAsciiLetter(static_cast<char>(c))) || c == 0x017F || c == 0x212A;
}

template <class Predicate>
bool allCodePoints(std::string_view text, Predicate predicate, std::size_t* count = nullptr) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size();) {
        const CodePoint c = codePointAt(text, i);
        if (!predicate(c.value)) return false;
        i += c.length;
        ++n;
    }
    if (count != nullptr) *count = n;
    return true;
}

// Markdown block markers: at a line start (the text start or after any line terminator).
bool isLineStart(std::string_view text, std::size_t offset) {
    return offset == 0 || (offset < text.size() && isLineBreak(codePointBefore(text, offset).value));
}

// `\s+\S+` at `offset`: white space, then something that is not.
bool spaceThenNonSpaceAt(std::string_view text, std::size_t offset) {
    std::size_t i = offset;
    while (i < text.size()) {
        const CodePoint c = codePointAt(text, i);
        if (!isUnicodeWhitespace(c.value)) break;
        i += c.length;
    }
    return i > offset && i < text.size();
}

bool hasMarkdownBlockMarker(std::string_view text) {
    for (std::size_t start = 0; start < text.size();) {
        if (isLineStart(text, start)) {
            const char c = text[start];
            std::size_t afterMarker = std::string_view::npos;
            if (c == '#') {
                std::size_t end = start;
                while (end < text.size() && text[end] == '#') ++end;
                if (end - start <= 6) afterMarker = end;
            } else if (c == '-' || c == '*' || c == '+' || c == '>') {
                afterMarker = start + 1;
            } else {
                std::size_t end = start;
                while (end < text.size()) {
                    const CodePoint d = codePointAt(text, end);
                    if (!isPatternDigit(d.value)) break;
                    end += d.length;
                }
                if (end > start && end < text.size() && text[end] == '.') afterMarker = end + 1;
            }
            if (afterMarker != std::string_view::npos && spaceThenNonSpaceAt(text, afterMarker)) return true;
        }
        start += codePointAt(text, start).length;
    }
    return false;
}

// `\[[^\]]+\]\([^)]+\)` found anywhere, decided in one pass: for each "](" the earliest "[" since the
// previous "]" gives the longest label, and the first ")" after the "(" must leave a non-empty target.
bool hasMarkdownLink(std::string_view text) {
    const std::size_t lastCloseParen = text.rfind(')');
    if (lastCloseParen == std::string_view::npos) return false;
    std::size_t firstOpen = std::string_view::npos;
    for (std::size_t j = 0; j < text.size(); ++j) {
        if (text[j] == '[') {
            if (firstOpen == std::string_view::npos) firstOpen = j;
        } else if (text[j] == ']') {
            const bool hasLabel = firstOpen != std::string_view::npos && j >= firstOpen + 2;
            firstOpen = std::string_view::npos;
            if (hasLabel && j + 2 < text.size() && text[j + 1] == '(' && text[j + 2] != ')' &&
                lastCloseParen > j + 2) {
                return true;
            }
        }
    }
    return false;
}

bool hasFencedCode(std::string_view text) {
    const std::size_t first = text.find("```");
    const std::size_t last = text.rfind("```");
    return first != std::string_view::npos && last >= first + 3;
}

// `<name` at the start; returns the offset after the name, or npos.
std::size_t tagNameEnd(std::string_view text) {
    if (text.size() < 2 || text[0] != '<' || !isAsciiLetter(text[1])) return std::string_view::npos;
    std::size_t end = 2;
    while (end < text.size() && (isAsciiAlnum(text[end]) || text[end] == ':' || text[end] == '-')) ++end;
    return end;
}

// `^<(name)(?:\s[^>]*)?>[\s\S]*</\1>$`: the start tag ends at the first ">" after the name.
bool isElementWithEndTag(std::string_view text) {
    const std::size_t nameEnd = tagNameEnd(text);
    if (nameEnd == std::string_view::npos || nameEnd >= text.size()) return false;
    std::size_t close = nameEnd;
    if (text[nameEnd] != '>') {
        if (!isUnicodeWhitespace(codePointAt(text, nameEnd).value)) return false;
        close = text.find('>', nameEnd);
        if (close == std::string_view::npos) return false;
    }
    const std::string endTag = "</" + std::string(text.substr(1, nameEnd - 1)) + ">";
    return text.size() >= close + 1 + endTag.size() && text.substr(text.size() - endTag.size()) == endTag;
}

// `^<(name)(?:\s[^>]*)?/\s*>$`: the only ">" is the last character, and "/" ends what precedes it.
bool isSelfClosingTag(std::string_view text) {
    const std::size_t nameEnd = tagNameEnd(text);
    if (nameEnd == std::string_view::npos || nameEnd >= text.size() || text.back() != '>') return false;
    std::string_view body = text.substr(nameEnd, text.size() - 1 - nameEnd);
    if (body.find('>') != std::string_view::npos) return false;
    if (body.front() == '/') {
        body.remove_prefix(1);
        return allCodePoints(body, [](UChar32 c) { return isUnicodeWhitespace(c); });
    }
    const CodePoint first = codePointAt(body, 0);
    if (!isUnicodeWhitespace(first.value)) return false;
    body.remove_prefix(first.length);
    while (!body.empty()) {
        const CodePoint last = codePointBefore(body, body.size());
        if (!isUnicodeWhitespace(last.value)) break;
        body.remove_suffix(last.length);
    }
    return !body.empty() && body.back() == '/';
}

bool parsesAsInt64(std::string_view text) {
    const bool explicitPlus = !text.empty() && text.front() == '+';
    if (explicitPlus) text.remove_prefix(1);
    if (text.empty() || (explicitPlus && text.front() == '-')) return false;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

std::size_t countOf(std::string_view text, char c) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
}

// The URL-safe alphabet mapped to the standard one, padded to a multiple of four.
std::string standardBase64Form(std::string_view text) {
    std::string standard(text);
    for (char& c : standard) {
        if (c == '-') c = '+';
        if (c == '_') c = '/';
    }
    while (standard.size() % 4 != 0) standard += '=';
    return standard;
}

std::string withoutPadding(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        if (c != '=') result += c;
    }
    return result;
}

}  // namespace

std::optional<HttpUrl> ClipboardContentDetectors::detectHTTPURL(std::string_view text) {
    return HttpUrl::parseWholeText(text);
}

std::optional<ClipboardContentDetectors::GitHubReference> ClipboardContentDetectors::detectGitHubReference(
    std::string_view text) {
    const auto url = detectHTTPURL(text);
    if (!url) return std::nullopt;
    const std::string host = lowercased(url->host);
    const std::string suffix = "." + std::string(kGitHubHost);
    const bool onGitHub = host == kGitHubHost ||
                          (host.size() > suffix.size() && host.substr(host.size() - suffix.size()) == suffix);
    if (!onGitHub) return std::nullopt;
    const auto components = url->pathComponents();
    if (components.size() < 4 || !parsesAsInt64(components[3])) return std::nullopt;
    const std::string kind = lowercased(components[2]);
    if (kind == "pull") return GitHubReference::pullRequest;
    if (kind == "issues") return GitHubReference::issue;
    return std::nullopt;
}

bool ClipboardContentDetectors::isEmailAddress(std::string_view text) {
    const std::size_t at = text.find('@');
    if (at == 0 || at == std::string_view::npos) return false;
    const auto isLocal = [](UChar32 c) {
        return isEmailLetter(c) ||
               (c < 0x80 && (isAsciiDigit(static_cast<char>(c)) ||
                             std::string_view("._%+-").find(static_cast<char>(c)) != std::string_view::npos));
    };
    const auto isDomain = [](UChar32 c) {
        return isEmailLetter(c) || (c < 0x80 && (isAsciiDigit(static_cast<char>(c)) || c == '.' || c == '-'));
    };
    const std::string_view domain = text.substr(at + 1);
    if (!allCodePoints(text.substr(0, at), isLocal) || !allCodePoints(domain, isDomain)) return false;
    const std::size_t dot = domain.rfind('.');
    if (dot == 0 || dot == std::string_view::npos) return false;
    std::size_t letters = 0;
    return allCodePoints(domain.substr(dot + 1), isEmailLetter, &letters) && letters >= 2;
}

bool ClipboardContentDetectors::isIPv4Address(std::string_view text) {
    const auto pieces = split(text, '.', true);
    if (pieces.size() != 4) return false;
    for (const auto piece : pieces) {
        if (piece.empty() || piece.size() > 3 || !allBytes(piece, isAsciiDigit)) return false;
        if (piece.size() >= 2 && piece[0] == '0') return false;
        if (std::stoi(std::string(piece)) > 255) return false;
    }
    return true;
}

bool ClipboardContentDetectors::isUUID(std::string_view text) {
    return isUuidString(text);
}

bool ClipboardContentDetectors::isJSON(std::string_view text) {
    return JsonReader::isDocument(text);
}

bool ClipboardContentDetectors::isJSONLines(std::string_view text) {
    const std::string_view trimmed = trimmedWhitespaceAndNewlines(text);
    if (trimmed.empty()) return false;
    std::size_t lines = 0;
    std::size_t parsed = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= trimmed.size();) {
        const CodePoint c = i < trimmed.size() ? codePointAt(trimmed, i) : CodePoint{-1, 1};
        if (i == trimmed.size() || isLineBreak(c.value)) {
            ++lines;
            const std::string_view line = trimmedHorizontalWhitespace(trimmed.substr(start, i - start));
            if (!line.empty()) {
                if (!JsonReader::isDocument(line)) return false;
                ++parsed;
            }
            start = i + c.length;
        }
        i += c.length;
    }
    return lines >= 2 && parsed >= 2;
}

bool ClipboardContentDetectors::isSQLStatement(std::string_view text) {
    // Lower-casing outside ASCII cannot produce the ASCII words below, so ASCII lower-casing decides the
    // same.
    const std::string lowered = asciiLowercased(trimmedWhitespaceAndNewlines(text));
    static constexpr std::string_view verbs[] = {"select", "insert", "update",   "delete", "create",
                                                 "alter",  "drop",   "truncate", "with"};
    const bool startsWithVerb = std::any_of(std::begin(verbs), std::end(verbs), [&](std::string_view verb) {
        return lowered == verb || startsWith(lowered, std::string(verb) + " ");
    });
    if (!startsWithVerb) return false;
    static constexpr std::string_view clauses[] = {" from ", " into ",  " values ", " table ",
                                                   " set ",  " where ", " join "};
    for (const auto clause : clauses) {
        if (lowered.find(clause) != std::string::npos) return true;
    }
    return !lowered.empty() && lowered.back() == ';';
}

bool ClipboardContentDetectors::isMarkdown(std::string_view text) {
    return hasMarkdownBlockMarker(text) || hasMarkdownLink(text) || hasFencedCode(text);
}

bool ClipboardContentDetectors::isHTML(std::string_view text) {
    return isElementWithEndTag(text) || isSelfClosingTag(text);
}

bool ClipboardContentDetectors::detectJWT(std::string_view text) {
    std::string_view token = trimmedWhitespaceAndNewlines(text);
    if (asciiLowercased(token.substr(0, 7)) == "bearer ")
        token = trimmedHorizontalWhitespace(token.substr(7));
    const auto pieces = split(token, '.', false);
    return pieces.size() == 3 && decodesBase64URLToJSON(pieces[0]) && decodesBase64URLToJSON(pieces[1]) &&
           !pieces[2].empty();
}

bool ClipboardContentDetectors::decodesBase64URLToJSON(std::string_view text) {
    const auto bytes = base64Decode(standardBase64Form(text));
    if (!bytes) return false;
    return JsonReader::isDocument(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

bool ClipboardContentDetectors::isFilePath(std::string_view text) {
    const std::string_view trimmed = trimmedWhitespaceAndNewlines(text);
    if (trimmed.empty()) return false;
    if (!startsWith(trimmed, "/") && !startsWith(trimmed, "./") && !startsWith(trimmed, "../")) return false;
    return isValidPathComponents(trimmed);
}

bool ClipboardContentDetectors::isValidPathComponents(std::string_view text) {
    if (text.find("://") != std::string_view::npos) return false;
    const auto pieces = split(text, '/', true);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].empty() && i != 0 && i + 1 != pieces.size()) return false;
        if (pieces[i].find('\0') != std::string_view::npos) return false;
    }
    return true;
}

bool ClipboardContentDetectors::isBase64(std::string_view text) {
    // Every step only rejects, so the cheap alphabet test runs early; after it the text is ASCII and
    // characters are bytes.
    const std::string_view t = trimmedWhitespaceAndNewlines(text);
    if (t.empty() || startsWith(t, "/") || startsWith(t, "./") || startsWith(t, "../")) return false;
    if (t.find(' ') != std::string_view::npos || t.find('.') != std::string_view::npos) return false;
    const auto inAlphabet = [](char c) {
        return isAsciiAlnum(c) || c == '+' || c == '/' || c == '=' || c == '_' || c == '-';
    };
    if (!allBytes(t, inAlphabet)) return false;
    if (t.find('/') != std::string_view::npos) {
        const auto pieces = split(t, '/', false);
        if (std::all_of(pieces.begin(), pieces.end(),
                        [](auto piece) { return allBytes(piece, isAsciiAlnum); })) {
            return false;
        }
    }
    if (t.size() < 12) return false;
    if ((t.size() - countOf(t, '=')) % 4 == 1) return false;
    if (t.find('-') != std::string_view::npos) {
        const auto pieces = split(t, '-', false);
        if (pieces.size() >= 3) return false;
        const std::size_t dash = t.find('-');
        const bool hyphenatedIdentifier = countOf(t, '-') == 1 && dash > 0 && dash + 1 < t.size() &&
                                          allBytes(t.substr(0, dash), isAsciiLetter) &&
                                          allBytes(t.substr(dash + 1), isAsciiAlnum);
        if (hyphenatedIdentifier) return false;
    }
    if (countOf(t, '_') == 1 && split(t, '_', false).size() == 2) return false;
    const std::size_t firstNonUpper =
        static_cast<std::size_t>(std::find_if_not(t.begin(), t.end(), isAsciiUpper) - t.begin());
    if (firstNonUpper > 0 && firstNonUpper < t.size() && allBytes(t.substr(firstNonUpper), isAsciiDigit)) {
        return false;
    }
    const bool hasLetter = std::any_of(t.begin(), t.end(), isAsciiLetter);
    const bool hasDigit = std::any_of(t.begin(), t.end(), isAsciiDigit);
    if (!hasLetter || !hasDigit) {
        const bool mixedCase =
            std::any_of(t.begin(), t.end(), isAsciiLower) && std::any_of(t.begin(), t.end(), isAsciiUpper);
        if (t.size() < 64 || !mixedCase) return false;
    }
    const bool urlSafe = t.find('-') != std::string_view::npos || t.find('_') != std::string_view::npos;
    const auto bytes = base64Decode(standardBase64Form(t));
    if (!bytes) return false;
    std::string reencoded = withoutPadding(base64Encode(*bytes));
    if (urlSafe) {
        for (char& c : reencoded) {
            if (c == '+') c = '-';
            if (c == '/') c = '_';
        }
    }
    return reencoded == withoutPadding(t);
}

bool ClipboardContentDetectors::isCurlCommand(std::string_view text) {
    const std::string_view trimmed = trimmedWhitespaceAndNewlines(text);
    return startsWith(trimmed, "curl") && trimmed.size() > 4 &&
           isUnicodeWhitespace(codePointAt(trimmed, 4).value);
}

}  // namespace quorvane
