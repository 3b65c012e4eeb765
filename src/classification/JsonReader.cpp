#include "classification/JsonReader.h"

#include <fmt/format.h>
#include <unicode/utf8.h>

#include <vector>

namespace quorvane {
namespace {

bool isJsonSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Four hex digits at `offset`, or -1.
int32_t hexUnit(std::string_view text, std::size_t offset) {
    if (offset + 4 > text.size()) return -1;
    int32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const int digit = hexValue(text[offset + i]);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

class Scanner {
public:
    Scanner(std::string_view text, JsonReader::TopLevel topLevel, JsonReader::Handler& handler)
        : text_(text), topLevel_(topLevel), handler_(handler) {}

    std::optional<JsonReader::Error> run() {
        skipSpace();
        if (pos_ >= text_.size()) return fail("the text is empty");
        if (topLevel_ == JsonReader::TopLevel::containerOnly && text_[pos_] != '{' && text_[pos_] != '[') {
            return fail("the top level is not an object or an array");
        }
        enum class State { value, key, afterValue };
        State state = State::value;
        while (true) {
            if (error_) return error_;
            skipSpace();
            if (state == State::afterValue) {
                if (stack_.empty()) break;
                if (pos_ >= text_.size()) return fail("the text ends inside a container");
                const char c = text_[pos_];
                const char open = stack_.back();
                if (c == ',') {
                    ++pos_;
                    state = open == '{' ? State::key : State::value;
                } else if ((c == '}' && open == '{') || (c == ']' && open == '[')) {
                    ++pos_;
                    closeContainer();
                } else {
                    return fail("expected a comma or the end of the container");
                }
                continue;
            }
            if (pos_ >= text_.size()) return fail("the text ends where a value is expected");
            if (state == State::key) {
                if (text_[pos_] != '"') return fail("expected a quoted key");
                const std::size_t start = pos_;
                if (!scanString()) return error_;
                handler_.key(text_.substr(start, pos_ - start));
                skipSpace();
                if (pos_ >= text_.size() || text_[pos_] != ':') return fail("expected a colon after the key");
                ++pos_;
                state = State::value;
                continue;
            }
            const char c = text_[pos_];
            if (c == '{' || c == '[') {
                if (stack_.size() >= JsonReader::kMaxDepth) return fail("the document is nested too deeply");
                ++pos_;
                stack_.push_back(c);
                c == '{' ? handler_.beginObject() : handler_.beginArray();
                skipSpace();
                const char close = c == '{' ? '}' : ']';
                if (pos_ < text_.size() && text_[pos_] == close) {
                    ++pos_;
                    closeContainer();
                    state = State::afterValue;
                } else {
                    state = c == '{' ? State::key : State::value;
                }
                continue;
            }
            const std::size_t start = pos_;
            if (c == '"') {
                if (!scanString()) return error_;
            } else if (c == '-' || isDigit(c)) {
                if (!scanNumber()) return error_;
            } else if (!scanLiteral()) {
                return error_;
            }
            handler_.scalar(text_.substr(start, pos_ - start));
            state = State::afterValue;
        }
        skipSpace();
        if (pos_ != text_.size()) return fail("unexpected text after the document");
        return std::nullopt;
    }

private:
    std::optional<JsonReader::Error> fail(std::string message) {
        if (!error_) error_ = JsonReader::Error{pos_, std::move(message)};
        return error_;
    }

    void skipSpace() {
        while (pos_ < text_.size() && isJsonSpace(text_[pos_])) ++pos_;
    }

    void closeContainer() {
        const char open = stack_.back();
        stack_.pop_back();
        open == '{' ? handler_.endObject() : handler_.endArray();
    }

    bool scanString() {
        ++pos_;  // opening quote
        while (pos_ < text_.size()) {
            const auto byte = static_cast<unsigned char>(text_[pos_]);
            if (byte == '"') {
                ++pos_;
                return true;
            }
            if (byte < 0x20) return fail("a control character stands unescaped in a string"), false;
            if (byte == '\\') {
                if (!scanEscape()) return false;
                continue;
            }
            if (byte < 0x80) {
                ++pos_;
                continue;
            }
            const auto* bytes = reinterpret_cast<const uint8_t*>(text_.data());
            int64_t index = static_cast<int64_t>(pos_);
            UChar32 c = 0;
            U8_NEXT(bytes, index, static_cast<int64_t>(text_.size()), c);
            if (c < 0) return fail("the text is not valid UTF-8"), false;
            pos_ = static_cast<std::size_t>(index);
        }
        return fail("a string is not closed"), false;
    }

    bool scanEscape() {
        if (pos_ + 1 >= text_.size()) return fail("a string is not closed"), false;
        const char e = text_[pos_ + 1];
        if (e != 'u') {
            static constexpr std::string_view simple = "\"\\/bfnrt";
            if (simple.find(e) == std::string_view::npos) return fail("invalid escape in a string"), false;
            pos_ += 2;
            return true;
        }
        const int32_t unit = hexUnit(text_, pos_ + 2);
        if (unit < 0) return fail("invalid unicode escape"), false;
        if (unit >= 0xDC00 && unit <= 0xDFFF) return fail("unpaired surrogate escape"), false;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            const bool paired = pos_ + 7 < text_.size() && text_[pos_ + 6] == '\\' && text_[pos_ + 7] == 'u';
            const int32_t low = paired ? hexUnit(text_, pos_ + 8) : -1;
            if (low < 0xDC00 || low > 0xDFFF) return fail("unpaired surrogate escape"), false;
            pos_ += 12;
            return true;
        }
        pos_ += 6;
        return true;
    }

    bool scanNumber() {
        if (text_[pos_] == '-') ++pos_;
        if (pos_ >= text_.size() || !isDigit(text_[pos_])) return fail("invalid number"), false;
        if (text_[pos_] == '0') {
            ++pos_;
        } else {
            while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
        }
        if (pos_ < text_.size() && text_[pos_] == '.') {
            ++pos_;
            if (pos_ >= text_.size() || !isDigit(text_[pos_])) return fail("invalid number"), false;
            while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
        }
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
            if (pos_ >= text_.size() || !isDigit(text_[pos_])) return fail("invalid number"), false;
            while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
        }
        return true;
    }

    bool scanLiteral() {
        for (const std::string_view literal : {"true", "false", "null"}) {
            if (text_.substr(pos_, literal.size()) == literal) {
                pos_ += literal.size();
                return true;
            }
        }
        return fail("unexpected character"), false;
    }

    std::string_view text_;
    JsonReader::TopLevel topLevel_;
    JsonReader::Handler& handler_;
    std::size_t pos_ = 0;
    std::vector<char> stack_;
    std::optional<JsonReader::Error> error_;
};

void appendUtf8(std::string& out, UChar32 c) {
    char buffer[4];
    int32_t length = 0;
    UBool failed = false;
    U8_APPEND(reinterpret_cast<uint8_t*>(buffer), length, 4, c, failed);
    if (!failed) out.append(buffer, static_cast<std::size_t>(length));
}

}  // namespace

std::string JsonReader::Error::description() const {
    return fmt::format("The text is not valid JSON: {} (at byte {}).", message, offset);
}

std::optional<JsonReader::Error> JsonReader::read(std::string_view text, TopLevel topLevel,
                                                  Handler& handler) {
    return Scanner(text, topLevel, handler).run();
}

std::optional<JsonReader::Error> JsonReader::validate(std::string_view text, TopLevel topLevel) {
    Handler ignoring;
    return read(text, topLevel, ignoring);
}

std::string JsonReader::decodedString(std::string_view raw) {
    std::string out;
    if (raw.size() < 2) return out;
    const std::string_view body = raw.substr(1, raw.size() - 2);
    out.reserve(body.size());
    for (std::size_t i = 0; i < body.size();) {
        if (body[i] != '\\' || i + 1 >= body.size()) {
            out += body[i++];
            continue;
        }
        const char e = body[i + 1];
        switch (e) {
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u':
                break;
            default:
                out += e;
                break;
        }
        if (e != 'u') {
            i += 2;
            continue;
        }
        int32_t unit = hexUnit(body, i + 2);
        i += 6;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < body.size() && body[i] == '\\' &&
            body[i + 1] == 'u') {
            const int32_t low = hexUnit(body, i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 6;
            }
        }
        if (unit >= 0) appendUtf8(out, unit);
    }
    return out;
}

}  // namespace quorvane
