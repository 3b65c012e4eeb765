#include "classification/formatting/JSONSyntaxHighlighter.h"

#include <variant>

#include "base/Utf8.h"
#include "classification/formatting/JsonReindenter.h"

namespace quorvane {
namespace {

const icu::RegexPattern* numberPattern() {
    static const auto pattern =
        SyntaxHighlighting::compileFixedPattern(R"(-?(?:0|[1-9]\d*)(?:\.\d+)?(?:[eE][+-]?\d+)?)");
    return pattern.get();
}

const icu::RegexPattern* literalPattern() {
    static const auto pattern = SyntaxHighlighting::compileFixedPattern(R"(\b(?:true|false|null)\b)");
    return pattern.get();
}

}  // namespace

std::string JSONSyntaxHighlighter::format(std::string_view text) const {
    if (!isValidUtf8(text)) throw FormattingError(FormattingError::Kind::invalidEncoding);
    auto result = JsonReindenter::reindent(text);
    if (auto* error = std::get_if<JsonReader::Error>(&result)) throw JsonSyntaxError(error->description());
    if (std::holds_alternative<JsonReindenter::TooLarge>(result)) {
        throw FormattingError(FormattingError::Kind::encodingFailure);
    }
    return std::get<std::string>(std::move(result));
}

ColoredText JSONSyntaxHighlighter::highlight(std::string_view text) const {
    ColoredTextBuilder builder{std::string(text)};
    builder.paint(0, text.size(), theme_.text);
    applyJsonColors(theme_, builder, 0, text.size());
    return std::move(builder).build();
}

void JSONSyntaxHighlighter::applyJsonColors(const SyntaxColorTheme& theme, ColoredTextBuilder& builder,
                                            std::size_t start, std::size_t length) {
    const std::string& text = builder.text();
    for (std::size_t i = start; i < start + length; ++i) {
        const char c = text[i];
        if (c == '{' || c == '}' || c == '[' || c == ']') builder.paint(i, i + 1, theme.bracket);
    }
    for (std::size_t i = start; i < start + length; ++i) {
        if (text[i] == ':' || text[i] == ',') builder.paint(i, i + 1, theme.punctuation);
    }
    if (const auto* pattern = numberPattern()) {
        applyRegexColor(theme.number, *pattern, builder, start, length,
                        [](std::string_view text, std::size_t at) {
                            return text[at] == '-' || (text[at] >= '0' && text[at] <= '9');
                        });
    }
    if (const auto* pattern = literalPattern()) {
        applyRegexColor(theme.keyword, *pattern, builder, start, length,
                        [](std::string_view text, std::size_t at) {
                            return (text[at] == 't' || text[at] == 'f' || text[at] == 'n') &&
                                   followsNonWordCharacter(text, at);
                        });
    }
    applyQuotedStringColor(theme.string, '"', false, builder, start, length);
    applyQuotedStringColor(theme.property, '"', true, builder, start, length);
}

}  // namespace quorvane
