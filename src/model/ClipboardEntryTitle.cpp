#include "model/ClipboardEntryTitle.h"

#include <fmt/format.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <vector>

#include "base/Utf8.h"
#include "base/WhitespaceTrimming.h"

namespace quorvane {
namespace {

constexpr std::string_view kCutMarker = "...";
constexpr std::string_view kMoreLinesMarker = " \u2026";  // a blank and a horizontal ellipsis
constexpr std::string_view kEllipsis = "\u2026";

// Decodes the code point at `index` and moves past it; an invalid byte reads as a negative value.
UChar32 nextCodePoint(std::string_view text, std::size_t& index) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int64_t>(text.size());
    int64_t i = static_cast<int64_t>(index);
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    index = static_cast<std::size_t>(i);
    return c;
}

// Calls `onLine(line)` with each line of `text`, trimmed, skipping blank ones, until it returns false.
template <class F>
void forEachLine(std::string_view text, F&& onLine) {
    std::size_t lineStart = 0;
    std::size_t index = 0;
    while (index < text.size()) {
        const std::size_t here = index;
        if (!isLineBreak(nextCodePoint(text, index))) continue;
        const std::string_view line = trimmedWhitespaceAndNewlines(text.substr(lineStart, here - lineStart));
        if (!line.empty() && !onLine(line)) return;
        lineStart = index;
    }
    const std::string_view line = trimmedWhitespaceAndNewlines(text.substr(lineStart));
    if (!line.empty()) onLine(line);
}

// The JSON text without the whitespace between its tokens. Walks bytes: in a valid JSON text whitespace
// outside strings is ASCII, and quotes and backslashes never occur inside multi-byte sequences. (Walking
// characters instead would take a quote followed by a combining mark for another character and lose track of
// where strings begin.)
std::string withoutWhitespaceOutsideStrings(std::string_view json) {
    std::string out;
    out.reserve(json.size());
    bool inString = false;
    bool escaped = false;
    for (const char byte : json) {
        if (inString) {
            out += byte;
            if (escaped) {
                escaped = false;
            } else if (byte == '\\') {
                escaped = true;
            } else if (byte == '"') {
                inString = false;
            }
        } else if (byte == '"') {
            out += byte;
            inString = true;
        } else if (byte != ' ' && byte != '\t' && byte != '\n' && byte != '\r') {
            out += byte;
        }
    }
    return out;
}

// The one-line form of a JSON document, or of JSON Lines (two or more lines, each a JSON container).
std::optional<std::string> compactJson(std::string_view text) {
    const std::string_view whole = trimmedWhitespaceAndNewlines(text);
    if (ClipboardEntryTitle::isJsonContainer(whole)) return withoutWhitespaceOutsideStrings(whole);

    std::string joined;
    std::size_t lineCount = 0;
    bool allContainers = true;
    forEachLine(text, [&](std::string_view line) {
        if (!ClipboardEntryTitle::isJsonContainer(line)) {
            allContainers = false;
            return false;
        }
        if (lineCount++ > 0) joined += ' ';
        joined += withoutWhitespaceOutsideStrings(line);
        return true;
    });
    if (!allContainers || lineCount < 2) return std::nullopt;
    return joined;
}

std::string cutAfter(std::string_view text, std::size_t limit, std::string_view marker) {
    std::string out(characterPrefix(text, limit));
    out += marker;
    return out;
}

bool longerThan(std::string_view text, std::size_t limit) {
    return characterCountUpTo(text, limit + 1) > limit;
}

// Rounds a size in points to whole pixels; negative, unknown or absurd sizes become 0.
std::int64_t wholePoints(double points) {
    if (!std::isfinite(points) || points <= 0) return 0;
    return std::llround(std::min(points, 1e15));
}

}  // namespace

bool ClipboardEntryTitle::isJsonContainer(std::string_view text) {
    if (text.empty() || (text.front() != '{' && text.front() != '[')) return false;
    try {
        return nlohmann::json::accept(text);
    } catch (const nlohmann::json::exception&) {
        return false;
    }
}

std::optional<std::string> ClipboardEntryTitle::make(std::string_view text, int limit) {
    std::string_view firstLine;
    bool moreLines = false;
    forEachLine(text, [&](std::string_view line) {
        if (firstLine.empty()) {
            firstLine = line;
            return true;
        }
        moreLines = true;
        return false;
    });
    if (firstLine.empty()) return std::nullopt;

    const std::size_t width = static_cast<std::size_t>(std::max(limit, 0));
    if (const std::optional<std::string> compact = compactJson(text)) {
        return longerThan(*compact, width) ? cutAfter(*compact, width, kCutMarker) : *compact;
    }
    if (!moreLines)
        return longerThan(firstLine, width) ? cutAfter(firstLine, width, kCutMarker) : std::string(firstLine);
    // The marker takes two of the limit's characters, so a multi-line title never exceeds the limit.
    if (limit < 1) return std::string();
    if (limit <= 2) return std::string(kEllipsis);
    return cutAfter(firstLine, width - 2, kMoreLinesMarker);
}

std::string ClipboardEntryTitle::image(const ImageDimensions& dimensions) {
    std::int64_t width = 0;
    std::int64_t height = 0;
    const auto sized =
        std::find_if(dimensions.representations.begin(), dimensions.representations.end(),
                     [](const ImagePixelSize& size) { return size.width >= 1 && size.height >= 1; });
    if (sized != dimensions.representations.end()) {
        width = sized->width;
        height = sized->height;
    } else {
        width = wholePoints(dimensions.widthInPoints);
        height = wholePoints(dimensions.heightInPoints);
    }
    if (width < 1 || height < 1) return "Image";
    return fmt::format("Image {}x{}", width, height);
}

std::string ClipboardEntryTitle::image(std::span<const std::uint8_t> data, const ImageProbe& probe) {
    return image(probe.dimensions(data).value_or(ImageDimensions{}));
}

}  // namespace quorvane
