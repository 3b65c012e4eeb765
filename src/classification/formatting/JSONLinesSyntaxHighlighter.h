#pragma once

// JSON Lines: each record pretty-printed on its own with one empty line between records (a record that is
// not JSON stays as its trimmed text), and coloured line by line. Immutable; safe from any thread.

#include <memory>

#include "classification/formatting/JSONSyntaxHighlighter.h"

namespace quorvane {

class JSONLinesSyntaxHighlighter final : public SyntaxHighlighting {
public:
    explicit JSONLinesSyntaxHighlighter(std::unique_ptr<JSONSyntaxHighlighter> jsonHighlighter)
        : jsonHighlighter_(std::move(jsonHighlighter)) {}

    bool canFormat() const override { return true; }
    // Never throws.
    std::string format(std::string_view text) const override;
    // Blank lines come out empty; line breaks at the end of the text are not carried into the result.
    ColoredText highlight(std::string_view text) const override;

    const JSONSyntaxHighlighter& jsonHighlighter() const { return *jsonHighlighter_; }

private:
    std::unique_ptr<JSONSyntaxHighlighter> jsonHighlighter_;
};

}  // namespace quorvane
