#include "floating/model/FloatingClipboardPreviewContentRules.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "base/Utf8.h"
#include "base/WhitespaceTrimming.h"
#include "classification/JsonReader.h"
#include "classification/formatting/SyntaxHighlighting.h"
#include "panel/model/ClipboardDetailMetadata.h"

namespace quorvane {

namespace {

bool isFormattable(ClipboardSystemClassification classification) {
    return classification == ClipboardSystemClassification::json ||
           classification == ClipboardSystemClassification::jsonLines ||
           classification == ClipboardSystemClassification::sql;
}

// The first code point of `character`, or -1 for a malformed one.
std::int32_t firstCodePoint(std::string_view character) {
    std::int32_t offset = 0;
    UChar32 c = -1;
    U8_NEXT(character.data(), offset, static_cast<std::int32_t>(character.size()), c);
    return c;
}

}  // namespace

std::optional<ClipboardSystemClassification> FloatingClipboardPreviewContentRules::formattableClassification(
    const ClipboardHistoryIndexSnapshot& item, const ClipboardHistoryContentSnapshot& content) {
    if (item.contentType == ClipboardContentType::image) return std::nullopt;
    if (item.classification) {
        const auto stored = systemClassificationFromCaseInsensitiveRawValue(*item.classification);
        if (stored && isFormattable(*stored)) return stored;
    }
    if (content.content.size() > detectionLimitBytes) return std::nullopt;
    const std::string_view trimmed = trimmedWhitespaceAndNewlines(content.content);
    if (trimmed.empty()) return std::nullopt;
    if (isJson(trimmed)) return ClipboardSystemClassification::json;
    if (isJsonLines(trimmed)) return ClipboardSystemClassification::jsonLines;
    return std::nullopt;
}

bool FloatingClipboardPreviewContentRules::isJson(std::string_view text) {
    if (text.empty() || (text.front() != '{' && text.front() != '[')) return false;
    if (!isValidUtf8(text)) return false;
    return JsonReader::isDocument(text);
}

bool FloatingClipboardPreviewContentRules::isJsonLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = trimmedWhitespaceAndNewlines(text.substr(start, end - start));
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    if (lines.size() < 2) return false;
    return std::all_of(lines.begin(), lines.end(), [](std::string_view line) { return isJson(line); });
}

FloatingClipboardPreviewDisplayText FloatingClipboardPreviewContentRules::displayText(
    std::string_view text, std::optional<ClipboardSystemClassification> classification,
    FloatingClipboardPreviewMode mode, AppLanguage language) {
    const std::size_t n = text.size();
    if (mode == FloatingClipboardPreviewMode::manualPinned) {
        const bool withinLimit = n <= detectionLimitBytes;
        return {std::string(text), withinLimit, withinLimit};
    }
    if (n <= automaticFullTextLimitBytes) return {std::string(text), false, true};
    std::string shown(classification ? displayName(*classification) : std::string_view("Text"));
    shown += " - ";
    shown += ClipboardDetailMetadata::byteCountText(n, language);
    shown += " - Preview only\n\n";
    shown += utf8Prefix(text, cutLengthBytes);
    shown += "\n\n...";
    return {std::move(shown), false, false};
}

std::string_view FloatingClipboardPreviewContentRules::utf8Prefix(std::string_view text,
                                                                  std::size_t limitBytes) {
    if (limitBytes < 1 || text.empty()) return {};
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t offset = 0;
    std::size_t taken = 0;
    while (offset < length) {
        std::int32_t next = offset;
        UChar32 c = 0;
        U8_NEXT(text.data(), next, length, c);
        // A malformed sequence counts as the replacement character it would be read as.
        const std::size_t width = c < 0 ? 3 : static_cast<std::size_t>(U8_LENGTH(c));
        if (taken + width > limitBytes) break;
        taken += width;
        offset = next;
    }
    return text.substr(0, static_cast<std::size_t>(offset));
}

std::optional<FloatingClipboardPreviewFormattingState> FloatingClipboardPreviewContentRules::formattingState(
    std::string_view text, std::optional<ClipboardSystemClassification> classification) {
    if (!classification || !isFormattable(*classification)) return std::nullopt;
    const auto highlighter = SyntaxHighlighting::makeHighlighter(*classification);
    if (!highlighter) return std::nullopt;
    try {
        return FloatingClipboardPreviewFormattingState{std::string(text), *classification,
                                                       highlighter->format(text)};
    } catch (const std::exception&) {
        // A text that does not parse stays plain; the format button simply stays hidden.
        return std::nullopt;
    }
}

bool FloatingClipboardPreviewContentRules::usesMonospacedFont(
    std::string_view text, std::optional<ClipboardSystemClassification> classification) {
    if (classification && isFormattable(*classification)) return true;
    if (text.find('\n') != std::string_view::npos) return true;
    return characterCountUpTo(text, monospaceLength) >= monospaceLength;
}

bool FloatingClipboardPreviewContentRules::isCompact(const ClipboardHistoryIndexSnapshot& item,
                                                     const ClipboardHistoryContentSnapshot& content) {
    if (item.contentType == ClipboardContentType::image) return false;
    if (formattableClassification(item, content)) return false;
    const std::string_view head = characterPrefix(content.content, compactTextLength + 1);
    const auto characters = splitCharacters(head);
    if (characters.size() > compactTextLength - 1) return false;
    if (trimmedWhitespaceAndNewlines(head).empty()) return false;
    std::size_t lines = 0;
    std::size_t lineStart = 0;
    std::size_t offset = 0;
    const auto countLine = [&](std::size_t end) {
        if (!trimmedWhitespaceAndNewlines(head.substr(lineStart, end - lineStart)).empty()) ++lines;
    };
    for (const std::string_view character : characters) {
        if (isLineBreak(firstCodePoint(character))) {
            countLine(offset);
            lineStart = offset + character.size();
        }
        offset += character.size();
    }
    countLine(head.size());
    return lines <= compactLineLimit;
}

double FloatingClipboardPreviewContentRules::compactHeight(double textHeight) {
    return std::min(std::max(std::ceil(textHeight) + 42, 64.0), 140.0);
}

}  // namespace quorvane
