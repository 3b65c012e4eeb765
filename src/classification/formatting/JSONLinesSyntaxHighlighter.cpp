#include "classification/formatting/JSONLinesSyntaxHighlighter.h"

#include <utility>
#include <vector>

#include "classification/ClassificationText.h"

namespace quorvane {
namespace {

// The text cut at every line-break character (a carriage return and line feed give an empty piece between).
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size();) {
        const CodePoint c = codePointAt(text, i);
        if (isLineBreak(c.value)) {
            lines.push_back(text.substr(start, i - start));
            start = i + c.length;
        }
        i += c.length;
    }
    lines.push_back(text.substr(start));
    return lines;
}

}  // namespace

std::string JSONLinesSyntaxHighlighter::format(std::string_view text) const {
    std::string out;
    for (const auto line : splitLines(text)) {
        const std::string_view record = trimmedWhitespaceAndNewlines(line);
        if (record.empty()) continue;
        if (!out.empty()) out += "\n\n";
        try {
            out += trimmedWhitespaceAndNewlines(jsonHighlighter_->format(record));
        } catch (const std::exception&) {
            out += record;  // a record that is not JSON is shown as it is
        }
    }
    return out;
}

ColoredText JSONLinesSyntaxHighlighter::highlight(std::string_view text) const {
    std::string out;
    std::vector<std::pair<std::size_t, std::size_t>> coloredLines;
    for (const auto line : splitLines(text)) {
        if (!trimmedWhitespaceAndNewlines(line).empty()) {
            coloredLines.emplace_back(out.size(), line.size());
            out += line;
        }
        out += '\n';
    }
    // Line breaks at the end of the input are not part of the last record.
    while (!out.empty() && out.back() == '\n' &&
           (coloredLines.empty() || out.size() > coloredLines.back().first + coloredLines.back().second)) {
        out.pop_back();
    }
    const SyntaxColorTheme& theme = SyntaxColorTheme::json();
    ColoredTextBuilder builder(std::move(out));
    for (const auto& [start, length] : coloredLines) {
        builder.paint(start, start + length, theme.text);
        JSONSyntaxHighlighter::applyJsonColors(theme, builder, start, length);
    }
    return std::move(builder).build();
}

}  // namespace quorvane
