#include "capture/RtfPlainText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <vector>

#include "base/Utf8.h"

namespace quorvane {

namespace {

// Groups whose text is no part of the document.
constexpr std::array<std::string_view, 26> hiddenDestinations{
    "fonttbl", "colortbl",  "stylesheet", "info",      "pict",         "header",
    "headerl", "headerr",   "headerf",    "footer",    "footerl",      "footerr",
    "footerf", "object",    "fldinst",    "xmlnstbl",  "listtable",    "listoverridetable",
    "rsidtbl", "generator", "themedata",  "datastore", "latentstyles", "colorschememapping",
    "filetbl", "revtbl"};

// Windows-1252 for the bytes 0x80 to 0x9F; the others are Latin-1.
constexpr std::array<std::uint16_t, 32> windows1252High{
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

struct GroupState {
    bool hidden = false;
    int unicodeSkip = 1;  // fallback characters after each \u
};

class Writer {
public:
    void codePoint(std::uint32_t value) {
        if (value >= 0xD800 && value <= 0xDBFF) {
            highSurrogate_ = value;
            return;
        }
        if (value >= 0xDC00 && value <= 0xDFFF) {
            value = highSurrogate_ ? 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (value - 0xDC00) : 0xFFFD;
        }
        highSurrogate_ = 0;
        appendUtf8(text_, value);
    }
    void codePageByte(std::uint8_t byte) {
        codePoint(byte >= 0x80 && byte <= 0x9F ? windows1252High[byte - 0x80] : byte);
    }
    std::string finish() {
        while (!text_.empty() && text_.back() == '\n') text_.pop_back();
        return std::move(text_);
    }

private:
    std::string text_;
    std::uint32_t highSurrogate_ = 0;
};

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string rtfPlainText(std::string_view rtf) {
    Writer out;
    std::vector<GroupState> groups{GroupState{}};
    bool nextGroupIsOptional = false;  // after "\*": an unknown destination is hidden
    bool atGroupStart = false;
    int fallbackToSkip = 0;
    std::size_t i = 0;

    const auto emit = [&](auto&& write) {
        if (groups.back().hidden) return;
        if (fallbackToSkip > 0) {
            --fallbackToSkip;
            return;
        }
        write();
    };

    while (i < rtf.size()) {
        const char c = rtf[i];
        if (c == '{') {
            groups.push_back(groups.back());
            atGroupStart = true;
            ++i;
            continue;
        }
        if (c == '}') {
            if (groups.size() > 1) groups.pop_back();
            fallbackToSkip = 0;
            atGroupStart = false;
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c != '\\') {
            emit([&] { out.codePageByte(static_cast<std::uint8_t>(c)); });
            atGroupStart = false;
            ++i;
            continue;
        }
        // A control symbol or word.
        ++i;
        if (i >= rtf.size()) break;
        const char symbol = rtf[i];
        if (!std::isalpha(static_cast<unsigned char>(symbol))) {
            ++i;
            switch (symbol) {
                case '\\':
                case '{':
                case '}':
                    emit([&] { out.codePoint(static_cast<unsigned char>(symbol)); });
                    break;
                case '~':
                    emit([&] { out.codePoint(0xA0); });
                    break;
                case '_':
                    emit([&] { out.codePoint(0x2011); });
                    break;
                case '\n':
                case '\r':
                    emit([&] { out.codePoint('\n'); });
                    break;
                case '*':
                    if (atGroupStart) nextGroupIsOptional = true;
                    continue;  // still at the start of the group
                case '\'': {
                    const int high = i < rtf.size() ? hexDigit(rtf[i]) : -1;
                    const int low = i + 1 < rtf.size() ? hexDigit(rtf[i + 1]) : -1;
                    if (high >= 0 && low >= 0) {
                        i += 2;
                        emit([&] { out.codePageByte(static_cast<std::uint8_t>(high * 16 + low)); });
                    }
                    break;
                }
                default:
                    break;  // optional hyphen and the like
            }
            atGroupStart = false;
            continue;
        }
        const std::size_t wordStart = i;
        while (i < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[i])) && i - wordStart < 32) ++i;
        const std::string_view word = rtf.substr(wordStart, i - wordStart);
        bool hasParameter = false;
        long parameter = 0;
        bool negative = false;
        if (i < rtf.size() && rtf[i] == '-') {
            negative = true;
            ++i;
        }
        const std::size_t digitsStart = i;
        while (i < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[i])) && i - digitsStart < 10) {
            parameter = parameter * 10 + (rtf[i] - '0');
            hasParameter = true;
            ++i;
        }
        if (negative) parameter = -parameter;
        if (i < rtf.size() && rtf[i] == ' ') ++i;  // the delimiter belongs to the word

        const bool wasGroupStart = atGroupStart;
        atGroupStart = false;
        const bool hiddenWord =
            std::find(hiddenDestinations.begin(), hiddenDestinations.end(), word) != hiddenDestinations.end();
        if (wasGroupStart && (hiddenWord || nextGroupIsOptional)) {
            // Known hidden destinations, and unknown ones marked optional, are skipped with their group.
            const bool known = hiddenWord || word == "fldrslt" || word == "field";
            if (hiddenWord || !known) groups.back().hidden = true;
            nextGroupIsOptional = false;
            continue;
        }
        nextGroupIsOptional = false;
        if (word == "bin" && hasParameter) {
            i += static_cast<std::size_t>(std::clamp<long>(parameter, 0, static_cast<long>(rtf.size() - i)));
        } else if (word == "par" || word == "line" || word == "sect" || word == "row") {
            emit([&] { out.codePoint('\n'); });
        } else if (word == "tab" || word == "cell") {
            emit([&] { out.codePoint('\t'); });
        } else if (word == "uc" && hasParameter) {
            groups.back().unicodeSkip = static_cast<int>(std::clamp<long>(parameter, 0, 10));
        } else if (word == "u" && hasParameter) {
            const auto unit = static_cast<std::uint32_t>(parameter < 0 ? parameter + 65536 : parameter);
            emit([&] { out.codePoint(unit & 0xFFFF); });
            if (!groups.back().hidden) fallbackToSkip = groups.back().unicodeSkip;
        } else if (word == "emdash") {
            emit([&] { out.codePoint(0x2014); });
        } else if (word == "endash") {
            emit([&] { out.codePoint(0x2013); });
        } else if (word == "bullet") {
            emit([&] { out.codePoint(0x2022); });
        } else if (word == "lquote") {
            emit([&] { out.codePoint(0x2018); });
        } else if (word == "rquote") {
            emit([&] { out.codePoint(0x2019); });
        } else if (word == "ldblquote") {
            emit([&] { out.codePoint(0x201C); });
        } else if (word == "rdblquote") {
            emit([&] { out.codePoint(0x201D); });
        } else if (word == "emspace" || word == "enspace" || word == "qmspace") {
            emit([&] { out.codePoint(' '); });
        }
    }
    return out.finish();
}

}  // namespace quorvane
