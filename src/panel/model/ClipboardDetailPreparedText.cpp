#include "panel/model/ClipboardDetailPreparedText.h"

#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <algorithm>

#include "base/Utf8.h"

namespace quorvane {
namespace {

// UTF-16 offset of every byte offset that starts a range or ends one, by walking the UTF-8 text once.
std::vector<ClipboardDetailColorRun> utf16Runs(const ColoredText& text) {
    std::vector<ClipboardDetailColorRun> runs;
    runs.reserve(text.ranges.size());
    const std::string& bytes = text.text;
    std::size_t byte = 0;
    std::size_t unit = 0;
    const auto advanceTo = [&](std::size_t target) {
        while (byte < target && byte < bytes.size()) {
            const auto lead = static_cast<unsigned char>(bytes[byte]);
            std::size_t length = 1;
            std::size_t units = 1;
            if (lead >= 0xF0) {
                length = 4;
                units = 2;
            } else if (lead >= 0xE0) {
                length = 3;
            } else if (lead >= 0xC0) {
                length = 2;
            }
            byte += length;
            unit += units;
        }
        return unit;
    };
    for (const ColoredRange& range : text.ranges) {
        const std::size_t start = advanceTo(range.start);
        const std::size_t end = advanceTo(range.start + range.length);
        if (end > start) runs.push_back({{start, end - start}, range.color});
    }
    return runs;
}

// Where to cut a line piece that starts at `start` and would run to `limit`: after the last blank or comma of
// the piece's final stretch when there is one, never inside a surrogate pair.
std::size_t cutPosition(const std::u16string& text, std::size_t start, std::size_t limit) {
    constexpr std::size_t lookBack = 200;
    for (std::size_t i = limit; i > start && i + lookBack > limit; --i) {
        const char16_t c = text[i - 1];
        if (c == u' ' || c == u',') return i;
    }
    std::size_t cut = limit;
    if (cut > start + 1 && U16_IS_TRAIL(text[cut]) && U16_IS_LEAD(text[cut - 1])) --cut;
    return cut;
}

// Display offset of source offset `offset`; `inclusive` counts a break added exactly at `offset`.
std::size_t shifted(const std::vector<std::size_t>& sourceBreaks, std::size_t offset, bool inclusive) {
    const auto end = inclusive ? std::upper_bound(sourceBreaks.begin(), sourceBreaks.end(), offset)
                               : std::lower_bound(sourceBreaks.begin(), sourceBreaks.end(), offset);
    return offset + static_cast<std::size_t>(end - sourceBreaks.begin());
}

ClipboardTextSpan shiftedSpan(const std::vector<std::size_t>& sourceBreaks, ClipboardTextSpan span) {
    const std::size_t start = shifted(sourceBreaks, span.start, true);
    const std::size_t end = shifted(sourceBreaks, span.end(), false);
    return {start, end - start};
}

}  // namespace

std::u16string utf16FromUtf8(std::string_view text) {
    const icu::UnicodeString unicode = toUnicodeString(text);
    return std::u16string(unicode.getBuffer(), static_cast<std::size_t>(unicode.length()));
}

std::string utf8FromUtf16(std::u16string_view text) {
    return toUtf8(icu::UnicodeString(text.data(), static_cast<int32_t>(text.size())));
}

ClipboardDetailPreparedText ClipboardDetailPreparedText::plain(std::string_view text,
                                                               std::u16string_view query) {
    return make(utf16FromUtf8(text), {}, query);
}

ClipboardDetailPreparedText ClipboardDetailPreparedText::colored(const ColoredText& text,
                                                                 std::u16string_view query) {
    return make(utf16FromUtf8(text.text), utf16Runs(text), query);
}

ClipboardDetailPreparedText ClipboardDetailPreparedText::make(std::u16string source,
                                                              std::vector<ClipboardDetailColorRun> runs,
                                                              std::u16string_view query) {
    ClipboardDetailPreparedText prepared;
    std::vector<ClipboardTextSpan> highlights = ClipboardQueryHighlighter::ranges(source, query);

    // Source offsets before which a break is added.
    std::vector<std::size_t> sourceBreaks;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i <= source.size(); ++i) {
        if (i < source.size() && source[i] != u'\n') {
            if (i - lineStart < maximumLineLength) continue;
            const std::size_t cut = cutPosition(source, lineStart, i);
            sourceBreaks.push_back(cut);
            lineStart = cut;
            continue;
        }
        lineStart = i + 1;
    }

    if (sourceBreaks.empty()) {
        prepared.displayText = std::move(source);
    } else {
        prepared.displayText.reserve(source.size() + sourceBreaks.size());
        std::size_t from = 0;
        for (const std::size_t cut : sourceBreaks) {
            prepared.displayText.append(source, from, cut - from);
            prepared.addedBreaks.push_back(prepared.displayText.size());
            prepared.displayText += u'\n';
            from = cut;
        }
        prepared.displayText.append(source, from, std::u16string::npos);
    }
    prepared.highlights.reserve(highlights.size());
    for (const ClipboardTextSpan& span : highlights)
        prepared.highlights.push_back(shiftedSpan(sourceBreaks, span));
    prepared.colorRuns.reserve(runs.size());
    for (const ClipboardDetailColorRun& run : runs) {
        prepared.colorRuns.push_back({shiftedSpan(sourceBreaks, run.span), run.color});
    }
    return prepared;
}

std::u16string ClipboardDetailPreparedText::originalText(std::size_t displayStart,
                                                         std::size_t displayEnd) const {
    displayEnd = std::min(displayEnd, displayText.size());
    std::u16string out;
    if (displayStart >= displayEnd) return out;
    auto next = std::lower_bound(addedBreaks.begin(), addedBreaks.end(), displayStart);
    std::size_t from = displayStart;
    for (; next != addedBreaks.end() && *next < displayEnd; ++next) {
        out.append(displayText, from, *next - from);
        from = *next + 1;
    }
    out.append(displayText, from, displayEnd - from);
    return out;
}

}  // namespace quorvane
