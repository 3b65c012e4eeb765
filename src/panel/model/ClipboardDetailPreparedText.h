#pragma once

// A text made ready for the detail pane off the main thread: UTF-16 for the text view, the search
// highlights and syntax colours as UTF-16 runs, and very long lines cut into pieces so the text view lays
// out one piece at a time (a 1 MB one-line JSON would otherwise be laid out in one go on the main thread).
// The cuts are line breaks the view adds; `originalText` takes them out again for copying. Plain value.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "classification/formatting/ColoredText.h"
#include "panel/model/ClipboardQueryHighlighter.h"

namespace quorvane {

struct ClipboardDetailColorRun {
    ClipboardTextSpan span;
    SyntaxColor color;
    friend bool operator==(const ClipboardDetailColorRun&, const ClipboardDetailColorRun&) = default;
};

struct ClipboardDetailPreparedText {
    // Lines longer than this many UTF-16 units are cut into pieces of at most this length.
    static constexpr std::size_t maximumLineLength = 1000;

    std::u16string displayText;
    // Display offsets of the line breaks added to cut long lines, ascending.
    std::vector<std::size_t> addedBreaks;
    std::vector<ClipboardTextSpan> highlights;
    std::vector<ClipboardDetailColorRun> colorRuns;

    // A plain text with the query's terms highlighted.
    static ClipboardDetailPreparedText plain(std::string_view text, std::u16string_view query);
    // A formatted, coloured text with the query's terms highlighted.
    static ClipboardDetailPreparedText colored(const ColoredText& text, std::u16string_view query);

    // The text between two display offsets without the added breaks.
    std::u16string originalText(std::size_t displayStart, std::size_t displayEnd) const;

private:
    static ClipboardDetailPreparedText make(std::u16string source, std::vector<ClipboardDetailColorRun> runs,
                                            std::u16string_view query);
};

// UTF-16 form of UTF-8 text (invalid bytes become U+FFFD) and back.
std::u16string utf16FromUtf8(std::string_view text);
std::string utf8FromUtf16(std::u16string_view text);

}  // namespace quorvane
