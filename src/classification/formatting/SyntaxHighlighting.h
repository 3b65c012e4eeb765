#pragma once

// The formatter-highlighters of JSON, JSON Lines and SQL entries, their error type, the shared colouring
// steps and the factory that picks one for a system classification. Used by the detail pane and the
// preview bubble. Instances hold no mutable state; every step is linear in its input. Safe from any thread.

#include <unicode/regex.h>

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "classification/ClipboardSystemClassification.h"
#include "classification/formatting/ColoredText.h"

namespace quorvane {

class FormattingError : public std::exception {
public:
    enum class Kind { invalidEncoding, encodingFailure };

    explicit FormattingError(Kind kind) : kind_(kind) {}
    Kind kind() const { return kind_; }
    // "Invalid text encoding" or "Failed to encode formatted output".
    const char* what() const noexcept override;

    friend bool operator==(const FormattingError& a, const FormattingError& b) { return a.kind_ == b.kind_; }

private:
    Kind kind_;
};

class SyntaxHighlighting {
public:
    virtual ~SyntaxHighlighting() = default;

    virtual bool canFormat() const = 0;
    // Pretty-printed text; throws FormattingError or the syntax error of the format.
    virtual std::string format(std::string_view text) const = 0;
    // The same characters with foreground colours; never throws.
    virtual ColoredText highlight(std::string_view text) const = 0;
    // highlight() of format(); throws what format() throws.
    ColoredText formatAndHighlight(std::string_view text) const { return highlight(format(text)); }

    // A new highlighter for json, jsonLines or sql; nothing for any other classification.
    static std::unique_ptr<SyntaxHighlighting> makeHighlighter(ClipboardSystemClassification classification);

    // Says whether a match may start at a byte offset of the text; a position it refuses must be one where
    // the pattern cannot match, so skipping it changes nothing but the cost.
    using MatchStartFilter = bool (*)(std::string_view text, std::size_t offset);

    // Colours every non-overlapping match of `pattern` within the bytes [start, start + length) of the
    // builder's text. Only for fixed patterns whose matching is linear and never empty.
    static void applyRegexColor(const SyntaxColor& color, const icu::RegexPattern& pattern,
                                ColoredTextBuilder& builder, std::size_t start, std::size_t length,
                                MatchStartFilter mayStartAt = nullptr);
    // True unless the code point before `offset` is an ASCII letter, digit or underscore: a word pattern
    // starting with `\b` and a letter or digit cannot start there.
    static bool followsNonWordCharacter(std::string_view text, std::size_t offset);

    // Colours what `<q>(?:\\.|[^<q>\\])*<q>` finds within [start, start + length), where <q> is `quote` (a
    // quoted string with backslash escapes). With `onlyBeforeColon`, only matches followed by optional white
    // space and a colon (JSON keys). One pass, whatever the input.
    static void applyQuotedStringColor(const SyntaxColor& color, char quote, bool onlyBeforeColon,
                                       ColoredTextBuilder& builder, std::size_t start, std::size_t length);

    // Compiles a fixed pattern of this module once; nothing if it does not compile.
    static std::unique_ptr<icu::RegexPattern> compileFixedPattern(std::string_view pattern,
                                                                  uint32_t flags = 0);
};

}  // namespace quorvane
