#pragma once

// Text with foreground colours, the highlighters' output that the Qt views draw. Ranges are BYTE ranges of
// the UTF-8 text, sorted, non-overlapping and never splitting a code point; bytes outside every range carry
// no colour. Plain value; safe to copy between threads.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "classification/formatting/SyntaxColorTheme.h"

namespace quorvane {

struct ColoredRange {
    std::size_t start = 0;   // byte offset
    std::size_t length = 0;  // bytes
    SyntaxColor color;

    friend bool operator==(const ColoredRange&, const ColoredRange&) = default;
};

struct ColoredText {
    std::string text;
    std::vector<ColoredRange> ranges;

    // The colour of the byte at `offset`, nothing when it has none.
    std::optional<SyntaxColor> colorAt(std::size_t offset) const;
    // The colour shared by every byte of the first occurrence of `fragment` at or after `from`; nothing when
    // the fragment is missing or its bytes differ in colour. Tests and previews read colours this way.
    std::optional<SyntaxColor> colorOf(std::string_view fragment, std::size_t from = 0) const;

    friend bool operator==(const ColoredText&, const ColoredText&) = default;
};

// Paints colours over a text, later paint replacing earlier paint on the same bytes, then hands out the
// finished ColoredText. One per highlighting; not shared between threads.
class ColoredTextBuilder {
public:
    explicit ColoredTextBuilder(std::string text);

    const std::string& text() const { return text_; }
    // Colours the bytes [start, end).
    void paint(std::size_t start, std::size_t end, const SyntaxColor& color);
    // Whether any byte of [start, end) already has `color`.
    bool hasColorIn(std::size_t start, std::size_t end, const SyntaxColor& color) const;
    ColoredText build() &&;

private:
    std::uint8_t paletteIndex(const SyntaxColor& color);

    std::string text_;
    std::vector<SyntaxColor> palette_;  // index 0 of colours_ means "no colour"
    std::vector<std::uint8_t> colours_;
};

}  // namespace quorvane
