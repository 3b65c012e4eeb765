#pragma once

// Pretty-prints one JSON document (our own re-indenter: two spaces, `"key" : value`, strings and numbers
// as written) and colours JSON text: brackets, punctuation, numbers, literals, strings, keys, later steps
// winning. Immutable; safe from any thread.

#include <stdexcept>

#include "classification/formatting/SyntaxHighlighting.h"

namespace quorvane {

// The text is not a JSON object or array; what() says where and why.
class JsonSyntaxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class JSONSyntaxHighlighter final : public SyntaxHighlighting {
public:
    explicit JSONSyntaxHighlighter(const SyntaxColorTheme& theme) : theme_(theme) {}

    bool canFormat() const override { return true; }
    // Throws JsonSyntaxError, or FormattingError: invalidEncoding for invalid UTF-8, encodingFailure when the
    // layout would be far larger than the text (extreme nesting).
    std::string format(std::string_view text) const override;
    ColoredText highlight(std::string_view text) const override;

    const SyntaxColorTheme& theme() const { return theme_; }

    // The six colouring steps over the bytes [start, start + length) of the builder's text.
    static void applyJsonColors(const SyntaxColorTheme& theme, ColoredTextBuilder& builder, std::size_t start,
                                std::size_t length);

private:
    SyntaxColorTheme theme_;
};

}  // namespace quorvane
