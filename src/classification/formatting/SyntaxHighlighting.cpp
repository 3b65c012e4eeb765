#include "classification/formatting/SyntaxHighlighting.h"

#include <unicode/utext.h>

#include "base/Utf8.h"
#include "classification/ClassificationText.h"
#include "classification/formatting/JSONLinesSyntaxHighlighter.h"
#include "classification/formatting/JSONSyntaxHighlighter.h"
#include "classification/formatting/SQLSyntaxHighlighter.h"

namespace quorvane {
namespace {

// End of the quoted string that starts at `open` (exclusive), or nothing; `stuck` is where the scan gave up:
// at a backslash that escapes nothing (a line break or the end follows) or at the end.
std::optional<std::size_t> quotedStringEnd(std::string_view text, std::size_t open, char quote,
                                           std::size_t& stuck) {
    std::size_t i = open + 1;
    while (i < text.size()) {
        const char c = text[i];
        if (c == quote) return i + 1;
        if (c == '\\') {
            const CodePoint escaped = codePointAt(text, i + 1);
            if (escaped.length == 0 || isLineBreak(escaped.value)) break;
            i += 1 + escaped.length;
            continue;
        }
        i += codePointAt(text, i).length;
    }
    stuck = std::min(i, text.size());
    return std::nullopt;
}

bool colonFollows(std::string_view text, std::size_t offset) {
    while (offset < text.size()) {
        const CodePoint c = codePointAt(text, offset);
        if (!isUnicodeWhitespace(c.value)) return c.value == ':';
        offset += c.length;
    }
    return false;
}

}  // namespace

const char* FormattingError::what() const noexcept {
    return kind_ == Kind::invalidEncoding ? "Invalid text encoding" : "Failed to encode formatted output";
}

std::unique_ptr<SyntaxHighlighting> SyntaxHighlighting::makeHighlighter(
    ClipboardSystemClassification classification) {
    switch (classification) {
        case ClipboardSystemClassification::json:
            return std::make_unique<JSONSyntaxHighlighter>(SyntaxColorTheme::json());
        case ClipboardSystemClassification::jsonLines:
            return std::make_unique<JSONLinesSyntaxHighlighter>(
                std::make_unique<JSONSyntaxHighlighter>(SyntaxColorTheme::json()));
        case ClipboardSystemClassification::sql:
            return std::make_unique<SQLSyntaxHighlighter>(
                SyntaxColorTheme::sql(), SQLSyntaxHighlighter::defaultClauseKeywordPatterns());
        default:
            return nullptr;
    }
}

void SyntaxHighlighting::applyRegexColor(const SyntaxColor& color, const icu::RegexPattern& pattern,
                                         ColoredTextBuilder& builder, std::size_t start, std::size_t length,
                                         MatchStartFilter mayStartAt) {
    const std::string_view text = std::string_view(builder.text()).substr(start, length);
    UErrorCode status = U_ZERO_ERROR;
    UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    if (U_FAILURE(status)) return;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(status));
    if (U_SUCCESS(status) && matcher) {
        matcher->reset(utext);
        if (mayStartAt == nullptr) {
            while (matcher->find(status) && U_SUCCESS(status)) {
                builder.paint(start + static_cast<std::size_t>(matcher->start64(status)),
                              start + static_cast<std::size_t>(matcher->end64(status)), color);
            }
        } else {
            for (std::size_t i = 0; i < text.size() && U_SUCCESS(status);) {
                if (mayStartAt(text, i) && matcher->lookingAt(static_cast<int64_t>(i), status)) {
                    const auto end = static_cast<std::size_t>(matcher->end64(status));
                    if (U_SUCCESS(status) && end > i) {
                        builder.paint(start + i, start + end, color);
                        i = end;
                        continue;
                    }
                }
                i += codePointAt(text, i).length;
            }
        }
    }
    matcher.reset();
    utext_close(utext);
}

bool SyntaxHighlighting::followsNonWordCharacter(std::string_view text, std::size_t offset) {
    if (offset == 0) return true;
    const char c = text[offset - 1];
    return !((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
}

void SyntaxHighlighting::applyQuotedStringColor(const SyntaxColor& color, char quote, bool onlyBeforeColon,
                                                ColoredTextBuilder& builder, std::size_t start,
                                                std::size_t length) {
    // A pattern engine would retry from every quote; these skips are what those retries conclude:
    // - an unclosed string: a retry from any quote inside it meets the same dead end;
    // - a closed string not followed by a colon: retries from escaped quotes inside reach the same end, so
    //   the next candidate is its closing quote.
    const std::string_view text = std::string_view(builder.text()).substr(start, length);
    std::size_t i = 0;
    while (true) {
        const std::size_t open = text.find(quote, i);
        if (open == std::string_view::npos) return;
        std::size_t stuck = 0;
        const auto end = quotedStringEnd(text, open, quote, stuck);
        if (!end) {
            i = stuck;
            continue;
        }
        if (onlyBeforeColon && !colonFollows(text, *end)) {
            i = *end - 1;
            continue;
        }
        builder.paint(start + open, start + *end, color);
        i = *end;
    }
}

std::unique_ptr<icu::RegexPattern> SyntaxHighlighting::compileFixedPattern(std::string_view pattern,
                                                                           uint32_t flags) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(toUnicodeString(pattern), flags, parseError, status));
    if (U_FAILURE(status)) return nullptr;
    return compiled;
}

}  // namespace quorvane
