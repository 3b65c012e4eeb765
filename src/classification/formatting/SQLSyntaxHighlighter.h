#pragma once

// SQL without parsing it: the formatter breaks lines before clause keywords outside quotes, bracketed
// identifiers and comments, then tidies blank lines; the highlighter colours keywords, numbers,
// single-quoted strings and comments. Immutable; safe from any thread.

#include <memory>
#include <string>
#include <vector>

#include "classification/formatting/SyntaxHighlighting.h"

namespace quorvane {

class SQLSyntaxHighlighter final : public SyntaxHighlighting {
public:
    // Each clause pattern is the keyword part of a break: the blanks and tabs before a match become one line
    // feed and the matched keyword keeps its spelling. Matched ignoring case; a pattern that does not
    // compile is skipped.
    SQLSyntaxHighlighter(const SyntaxColorTheme& theme, std::vector<std::string> clauseKeywordPatterns);

    // The four breaks, in order: UNION ALL; joins; GROUP BY, ORDER BY, DELETE FROM, INSERT INTO; single
    // clause keywords.
    static std::vector<std::string> defaultClauseKeywordPatterns();

    bool canFormat() const override { return true; }
    // Never throws.
    std::string format(std::string_view text) const override;
    ColoredText highlight(std::string_view text) const override;

    const SyntaxColorTheme& theme() const { return theme_; }
    const std::vector<std::string>& clauseKeywordPatterns() const { return clauseKeywordPatterns_; }

private:
    std::string breakClauses(std::string_view code) const;

    SyntaxColorTheme theme_;
    std::vector<std::string> clauseKeywordPatterns_;
    std::vector<std::shared_ptr<const icu::RegexPattern>> clauseKeywords_;
};

}  // namespace quorvane
