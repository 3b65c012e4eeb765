#include "classification/formatting/SQLSyntaxHighlighter.h"

#include <unicode/utext.h>

#include <algorithm>

#include "classification/ClassificationText.h"

namespace quorvane {
namespace {

constexpr std::string_view kKeywords[] = {
    "SELECT",   "FROM",   "WHERE",   "AND",      "OR",      "INSERT",     "INTO",  "VALUES",
    "UPDATE",   "SET",    "DELETE",  "FROM",     "JOIN",    "INNER",      "LEFT",  "RIGHT",
    "FULL",     "CROSS",  "ON",      "GROUP",    "BY",      "HAVING",     "ORDER", "LIMIT",
    "OFFSET",   "UNION",  "ALL",     "EXISTS",   "IN",      "NOT",        "IS",    "NULL",
    "TRUE",     "FALSE",  "AS",      "ASC",      "DESC",    "CREATE",     "TABLE", "ALTER",
    "DROP",     "COLUMN", "PRIMARY", "KEY",      "FOREIGN", "REFERENCES", "INDEX", "VIEW",
    "TRUNCATE", "MERGE",  "CASE",    "WHEN",     "THEN",    "ELSE",       "END",   "CAST",
    "CONVERT",  "LIKE",   "BETWEEN", "DISTINCT", "TOP",     "PERCENT",    "WITH",  "RECURSIVE"};

const icu::RegexPattern* keywordPattern() {
    static const auto pattern = [] {
        std::string text = "\\b(";
        for (std::size_t i = 0; i < std::size(kKeywords); ++i) {
            if (i > 0) text += '|';
            text += kKeywords[i];
        }
        text += ")\\b";
        return SyntaxHighlighting::compileFixedPattern(text, UREGEX_CASE_INSENSITIVE);
    }();
    return pattern.get();
}

const icu::RegexPattern* numberPattern() {
    static const auto pattern = SyntaxHighlighting::compileFixedPattern(R"(\b[0-9]+(\.[0-9]+)?\b)");
    return pattern.get();
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isAsciiWordCharacter(char c) {
    return isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_';
}

bool isKeyword(std::string_view word) {
    if (word.size() > 10) return false;
    std::string upper(word);
    for (char& c : upper) c = static_cast<char>(c & ~0x20);
    return std::find(std::begin(kKeywords), std::end(kKeywords), upper) != std::end(kKeywords);
}

// Colours what `\b(<keywords>)\b` (ignoring case) finds. A word of ASCII letters between ASCII non-letters
// is looked up directly; anything else (non-ASCII around or inside the word, where case folding can turn
// other characters into keyword letters) is left to the pattern engine.
void applyKeywordColor(const SyntaxColor& color, ColoredTextBuilder& builder) {
    const std::string_view text = builder.text();
    std::vector<std::size_t> undecided;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const bool nonAscii = static_cast<unsigned char>(c) >= 0x80;
        if ((!isAsciiLetter(c) && !nonAscii) || !SyntaxHighlighting::followsNonWordCharacter(text, i)) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && isAsciiLetter(text[end])) ++end;
        const bool asciiBefore = i == 0 || static_cast<unsigned char>(text[i - 1]) < 0x80;
        const bool asciiAfter = end == text.size() || static_cast<unsigned char>(text[end]) < 0x80;
        if (end > i && asciiBefore && asciiAfter) {
            const bool boundaryAfter = end == text.size() || !isAsciiWordCharacter(text[end]);
            if (boundaryAfter && isKeyword(text.substr(i, end - i))) builder.paint(i, end, color);
        } else {
            undecided.push_back(i);
        }
        i = std::max(end, i + codePointAt(text, i).length);
    }
    if (undecided.empty() || keywordPattern() == nullptr) return;
    UErrorCode status = U_ZERO_ERROR;
    UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    std::unique_ptr<icu::RegexMatcher> matcher(keywordPattern()->matcher(status));
    if (U_SUCCESS(status) && matcher) {
        matcher->reset(utext);
        std::size_t paintedUpTo = 0;
        for (const std::size_t start : undecided) {
            if (start < paintedUpTo || !matcher->lookingAt(static_cast<int64_t>(start), status)) continue;
            paintedUpTo = static_cast<std::size_t>(matcher->end64(status));
            builder.paint(start, paintedUpTo, color);
        }
    }
    matcher.reset();
    utext_close(utext);
}

// Whether a character at `offset` (of `length` bytes) stands alone rather than carrying combining marks,
// which would make it a different character.
bool standsAlone(std::string_view text, std::size_t offset, std::size_t length) {
    return !extendsPreviousCharacter(codePointAt(text, offset + length).value);
}

// End (exclusive) of a run quoted by `open` ... `close`, where a doubled closing character stands for itself.
std::size_t quotedRunEnd(std::string_view text, std::size_t start, char close) {
    std::size_t i = start + 1;
    while (i < text.size()) {
        const std::size_t found = text.find(close, i);
        if (found == std::string_view::npos) return text.size();
        if (!standsAlone(text, found, 1)) {
            i = found + 1;
            continue;
        }
        if (found + 1 < text.size() && text[found + 1] == close && standsAlone(text, found + 1, 1)) {
            i = found + 2;
            continue;
        }
        return found + 1;
    }
    return text.size();
}

// Length of a match of `pattern` anchored at `offset` of the UTF-8 text, or nothing.
std::optional<std::size_t> matchLengthAt(icu::RegexMatcher& matcher, std::size_t offset) {
    UErrorCode status = U_ZERO_ERROR;
    if (!matcher.lookingAt(static_cast<int64_t>(offset), status) || U_FAILURE(status)) return std::nullopt;
    const int64_t end = matcher.end64(status);
    if (U_FAILURE(status)) return std::nullopt;
    return static_cast<std::size_t>(end) - offset;
}

// Every run of blanks and tabs directly followed by a keyword match becomes one line feed. A run not
// followed by a keyword cannot hold the start of a match either, so each run is looked at once.
std::string breakBeforeKeywords(std::string_view code, const icu::RegexPattern& keywords) {
    UErrorCode status = U_ZERO_ERROR;
    UText* utext = utext_openUTF8(nullptr, code.data(), static_cast<int64_t>(code.size()), &status);
    std::unique_ptr<icu::RegexMatcher> matcher(keywords.matcher(status));
    if (U_FAILURE(status) || !matcher) {
        utext_close(utext);
        return std::string(code);
    }
    matcher->reset(utext);
    std::string out;
    out.reserve(code.size() + code.size() / 8);
    std::size_t i = 0;
    while (i < code.size()) {
        if (!isBlank(code[i])) {
            out += code[i++];
            continue;
        }
        std::size_t runEnd = i;
        while (runEnd < code.size() && isBlank(code[runEnd])) ++runEnd;
        const auto keywordLength = runEnd < code.size() ? matchLengthAt(*matcher, runEnd) : std::nullopt;
        if (keywordLength && *keywordLength > 0) {
            out += '\n';
            out += code.substr(runEnd, *keywordLength);
            i = runEnd + *keywordLength;
        } else {
            out += code.substr(i, runEnd - i);
            i = runEnd;
        }
    }
    matcher.reset();
    utext_close(utext);
    return out;
}

std::string tidiedLines(std::string output, bool inputStartsWithLineBreak) {
    // A break inserted before the first keyword must not leave an empty first line.
    if (!inputStartsWithLineBreak) {
        std::size_t i = 0;
        while (i < output.size() && isBlank(output[i])) ++i;
        if (i < output.size() && output[i] == '\n') output.erase(0, i + 1);
    }
    std::string tidy;
    tidy.reserve(output.size());
    std::size_t newlines = 0;
    for (std::size_t i = 0; i < output.size();) {
        if (isBlank(output[i])) {
            std::size_t end = i;
            while (end < output.size() && isBlank(output[end])) ++end;
            if (end < output.size() && output[end] == '\n') {
                i = end;  // blanks at a line end go
                continue;
            }
            tidy.append(output, i, end - i);
            newlines = 0;
            i = end;
            continue;
        }
        if (output[i] == '\n') {
            if (++newlines <= 2) tidy += '\n';
        } else {
            newlines = 0;
            tidy += output[i];
        }
        ++i;
    }
    return tidy;
}

}  // namespace

SQLSyntaxHighlighter::SQLSyntaxHighlighter(const SyntaxColorTheme& theme,
                                           std::vector<std::string> clauseKeywordPatterns)
    : theme_(theme), clauseKeywordPatterns_(std::move(clauseKeywordPatterns)) {
    for (const auto& pattern : clauseKeywordPatterns_) {
        if (auto compiled = compileFixedPattern(pattern, UREGEX_CASE_INSENSITIVE)) {
            clauseKeywords_.push_back(std::move(compiled));
        }
    }
}

std::vector<std::string> SQLSyntaxHighlighter::defaultClauseKeywordPatterns() {
    return {
        R"((UNION\s+ALL)\b)",
        R"(((?:INNER|LEFT|RIGHT|FULL|CROSS)\s+JOIN)\b)",
        R"((GROUP\s+BY|ORDER\s+BY|DELETE\s+FROM|INSERT\s+INTO)\b)",
        R"((SELECT|FROM|WHERE|HAVING|JOIN|ON|VALUES|UPDATE|SET|LIMIT|OFFSET|UNION|WITH|RETURNING|)"
        R"(CASE|WHEN|THEN|ELSE|END)\b)",
    };
}

std::string SQLSyntaxHighlighter::breakClauses(std::string_view code) const {
    std::string result(code);
    for (const auto& keywords : clauseKeywords_) result = breakBeforeKeywords(result, *keywords);
    return result;
}

std::string SQLSyntaxHighlighter::format(std::string_view text) const {
    std::string output;
    output.reserve(text.size() + text.size() / 8);
    std::size_t pendingStart = 0;
    const auto flush = [&](std::size_t end) {
        if (end > pendingStart) output += breakClauses(text.substr(pendingStart, end - pendingStart));
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        std::size_t runEnd = 0;
        if ((c == '\'' || c == '"' || c == '`') && standsAlone(text, i, 1)) {
            runEnd = quotedRunEnd(text, i, c);
        } else if (c == '[' && standsAlone(text, i, 1)) {
            runEnd = quotedRunEnd(text, i, ']');
        } else if (c == '-' && next == '-' && standsAlone(text, i, 2)) {
            // A line comment ends with its line; a CR LF ending counts as a line feed.
            const std::size_t lineFeed = text.find('\n', i + 2);
            runEnd = lineFeed == std::string_view::npos ? text.size() : lineFeed + 1;
        } else if (c == '/' && next == '*' && standsAlone(text, i, 2)) {
            const std::size_t close = text.find("*/", i + 2);
            runEnd = close == std::string_view::npos ? text.size() : close + 2;
        } else {
            ++i;
            continue;
        }
        flush(i);
        output.append(text, i, runEnd - i);
        i = runEnd;
        pendingStart = runEnd;
    }
    flush(text.size());
    const bool startsWithLineBreak = !text.empty() && (text[0] == '\n' || text[0] == '\r');
    return tidiedLines(std::move(output), startsWithLineBreak);
}

ColoredText SQLSyntaxHighlighter::highlight(std::string_view text) const {
    ColoredTextBuilder builder{std::string(text)};
    const std::size_t length = text.size();
    applyKeywordColor(theme_.keyword, builder);
    if (const auto* pattern = numberPattern()) {
        // Numbers never recolour a keyword; they are painted on a scratch copy first to find them.
        ColoredTextBuilder numbers{std::string(text)};
        applyRegexColor(theme_.number, *pattern, numbers, 0, length,
                        [](std::string_view text, std::size_t at) {
                            return text[at] >= '0' && text[at] <= '9' && followsNonWordCharacter(text, at);
                        });
        for (const auto& range : std::move(numbers).build().ranges) {
            if (!builder.hasColorIn(range.start, range.start + range.length, theme_.keyword)) {
                builder.paint(range.start, range.start + range.length, theme_.number);
            }
        }
    }
    applyQuotedStringColor(theme_.string, '\'', false, builder, 0, length);
    // Line comments: "--" to the end of the line.
    for (std::size_t i = text.find("--"); i != std::string_view::npos;) {
        std::size_t end = text.find('\n', i + 2);
        if (end == std::string_view::npos) end = length;
        builder.paint(i, end, theme_.comment);
        i = text.find("--", end);
    }
    // Block comments: "/*" to the first "*/" after it; once one is unclosed no later one can close.
    for (std::size_t i = text.find("/*"); i != std::string_view::npos;) {
        const std::size_t close = text.find("*/", i + 2);
        if (close == std::string_view::npos) break;
        builder.paint(i, close + 2, theme_.comment);
        i = text.find("/*", close + 2);
    }
    return std::move(builder).build();
}

}  // namespace quorvane
