#include "capture/HtmlPlainText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <utility>

#include "base/Utf8.h"

namespace quorvane {

namespace {

std::string fromUtf16(std::string_view bytes, bool littleEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(static_cast<char16_t>(littleEndian ? (second << 8 | first) : (first << 8 | second)));
    }
    return toUtf8(icu::UnicodeString(units.data(), static_cast<int32_t>(units.size())));
}

constexpr std::array<std::pair<std::string_view, std::uint32_t>, 24> namedEntities{{
    {"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},     {"apos", '\''},
    {"nbsp", 0xA0},    {"copy", 0xA9},    {"reg", 0xAE},     {"trade", 0x2122}, {"hellip", 0x2026},
    {"mdash", 0x2014}, {"ndash", 0x2013}, {"lsquo", 0x2018}, {"rsquo", 0x2019}, {"ldquo", 0x201C},
    {"rdquo", 0x201D}, {"bull", 0x2022},  {"middot", 0xB7},  {"times", 0xD7},   {"euro", 0x20AC},
    {"laquo", 0xAB},   {"raquo", 0xBB},   {"deg", 0xB0},     {"shy", 0xAD},
}};

bool isHtmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool isOneOf(const std::string& name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Builds the text with browser-like white space: runs collapse to one blank, blocks start new lines.
class TextBuilder {
public:
    void character(std::string_view utf8, bool preformatted) {
        if (!preformatted && utf8.size() == 1 && isHtmlSpace(utf8[0])) {
            pendingSpace_ = !text_.empty() && text_.back() != '\n';
            return;
        }
        flushSpace();
        text_.append(utf8);
    }
    void codePoint(std::uint32_t value) {
        flushSpace();
        appendUtf8(text_, value);
    }
    void lineBreak() {
        pendingSpace_ = false;
        text_.push_back('\n');
    }
    void blockBoundary() {
        pendingSpace_ = false;
        if (!text_.empty() && text_.back() != '\n') text_.push_back('\n');
    }
    void cellBoundary() {
        pendingSpace_ = false;
        if (!text_.empty() && text_.back() != '\n' && text_.back() != '\t') text_.push_back('\t');
    }
    std::string finish() {
        const auto first = text_.find_first_not_of('\n');
        if (first == std::string::npos) return {};
        const auto last = text_.find_last_not_of("\n\t");
        return text_.substr(first, last - first + 1);
    }

private:
    void flushSpace() {
        if (pendingSpace_) text_.push_back(' ');
        pendingSpace_ = false;
    }
    std::string text_;
    bool pendingSpace_ = false;
};

// Decodes the entity at html[start] == '&'; returns the characters consumed (0 when it is no entity).
std::size_t decodeEntity(std::string_view html, std::size_t start, TextBuilder& out) {
    // Entities are short: looking further would make a run of ampersands quadratic.
    const auto semicolon = html.substr(start + 1, 12).find(';');
    if (semicolon == std::string_view::npos) return 0;
    const std::size_t end = start + 1 + semicolon;
    const std::string_view body = html.substr(start + 1, end - start - 1);
    if (body.size() >= 2 && body[0] == '#') {
        const bool hex = body[1] == 'x' || body[1] == 'X';
        const std::string_view digits = body.substr(hex ? 2 : 1);
        if (digits.empty()) return 0;
        std::uint32_t value = 0;
        for (char c : digits) {
            const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                              : hex && std::isxdigit(static_cast<unsigned char>(c))
                                  ? std::tolower(c) - 'a' + 10
                                  : -1;
            if (digit < 0) return 0;
            value = std::min<std::uint32_t>(value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit),
                                            0x110000);
        }
        out.codePoint(value);
        return end - start + 1;
    }
    for (const auto& [name, value] : namedEntities) {
        if (body == name) {
            out.codePoint(value);
            return end - start + 1;
        }
    }
    return 0;
}

}  // namespace

std::string htmlPlainText(std::string_view html) {
    std::string converted;
    if (html.size() >= 2 && static_cast<unsigned char>(html[0]) == 0xFF &&
        static_cast<unsigned char>(html[1]) == 0xFE) {
        converted = fromUtf16(html, true);
        html = converted;
    } else if (html.size() >= 2 && static_cast<unsigned char>(html[0]) == 0xFE &&
               static_cast<unsigned char>(html[1]) == 0xFF) {
        converted = fromUtf16(html, false);
        html = converted;
    } else if (html.starts_with("\xEF\xBB\xBF")) {
        html.remove_prefix(3);
    }

    TextBuilder out;
    int preformattedDepth = 0;
    std::size_t i = 0;
    while (i < html.size()) {
        const char c = html[i];
        if (c == '&') {
            if (const auto used = decodeEntity(html, i, out)) {
                i += used;
                continue;
            }
            out.character("&", preformattedDepth > 0);
            ++i;
            continue;
        }
        if (c != '<') {
            // Copy one UTF-8 sequence whole; invalid bytes go through as they are.
            std::size_t length = 1;
            while (i + length < html.size() &&
                   (static_cast<unsigned char>(html[i + length]) & 0xC0) == 0x80 && length < 4) {
                ++length;
            }
            out.character(html.substr(i, length), preformattedDepth > 0);
            i += length;
            continue;
        }
        if (html.substr(i, 4) == "<!--") {
            const auto end = html.find("-->", i + 4);
            i = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        const auto tagEnd = html.find('>', i + 1);
        if (tagEnd == std::string_view::npos) break;  // an unfinished tag ends the text
        std::string_view tag = html.substr(i + 1, tagEnd - i - 1);
        i = tagEnd + 1;
        const bool closing = !tag.empty() && tag[0] == '/';
        if (closing) tag.remove_prefix(1);
        std::size_t nameLength = 0;
        while (nameLength < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[nameLength]))))
            ++nameLength;
        if (nameLength == 0) continue;  // <!DOCTYPE>, <?xml?> and the like
        const std::string name = lowerAscii(tag.substr(0, nameLength));

        if (!closing &&
            isOneOf(name, {"script", "style", "head", "title", "template", "noscript", "textarea"})) {
            // Skip to the matching end tag, case-insensitively, without looking inside.
            const std::string endTag = "</" + name;
            std::size_t search = i;
            std::size_t found = std::string_view::npos;
            while (search < html.size()) {
                const auto candidate = html.find("</", search);
                if (candidate == std::string_view::npos) break;
                if (lowerAscii(html.substr(candidate, endTag.size())) == endTag) {
                    found = candidate;
                    break;
                }
                search = candidate + 2;
            }
            if (found == std::string_view::npos) break;
            const auto close = html.find('>', found);
            i = close == std::string_view::npos ? html.size() : close + 1;
            continue;
        }
        if (name == "br") {
            out.lineBreak();
        } else if (name == "pre") {
            out.blockBoundary();
            preformattedDepth = std::max(0, preformattedDepth + (closing ? -1 : 1));
        } else if (name == "td" || name == "th") {
            if (!closing) out.cellBoundary();
        } else if (isOneOf(name,
                           {"p",      "div",        "li",         "tr",      "ul",     "ol",  "dl",    "dt",
                            "dd",     "table",      "blockquote", "h1",      "h2",     "h3",  "h4",    "h5",
                            "h6",     "section",    "article",    "header",  "footer", "nav", "aside", "main",
                            "figure", "figcaption", "hr",         "address", "body"})) {
            out.blockBoundary();
        }
    }
    return out.finish();
}

}  // namespace quorvane
