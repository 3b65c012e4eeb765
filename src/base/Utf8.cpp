#include "base/Utf8.h"

#include <unicode/brkiter.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <memory>
#include <stdexcept>

namespace quorvane {
namespace {

// Creating a break iterator is costly; each thread keeps one.
icu::BreakIterator& graphemeIterator() {
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> created(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status) || !created)
            throw std::runtime_error("ICU character break iterator unavailable");
        return created;
    }();
    return *iterator;
}

// Walks the character boundaries of `text`: calls `onBoundary(byteOffset)` after each character until it
// returns false.
template <class F>
void forEachBoundary(std::string_view text, F&& onBoundary) {
    if (text.empty()) return;
    UErrorCode status = U_ZERO_ERROR;
    UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    if (U_FAILURE(status)) throw std::runtime_error("ICU could not open UTF-8 text");
    auto& iterator = graphemeIterator();
    iterator.setText(utext, status);
    if (U_FAILURE(status)) {
        utext_close(utext);
        throw std::runtime_error("ICU could not iterate UTF-8 text");
    }
    iterator.first();
    for (int32_t boundary = iterator.next(); boundary != icu::BreakIterator::DONE;
         boundary = iterator.next()) {
        if (!onBoundary(static_cast<std::size_t>(boundary))) break;
    }
    // Detach the iterator from the UText before closing it.
    iterator.setText(icu::UnicodeString());
    utext_close(utext);
}

}  // namespace

bool isValidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const int32_t length = static_cast<int32_t>(text.size());
    if (text.size() > static_cast<std::size_t>(INT32_MAX)) return false;
    int32_t i = 0;
    while (i < length) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) return false;
    }
    return true;
}

std::size_t characterCount(std::string_view text) {
    std::size_t count = 0;
    forEachBoundary(text, [&](std::size_t) {
        ++count;
        return true;
    });
    return count;
}

std::size_t characterCountUpTo(std::string_view text, std::size_t limit) {
    std::size_t count = 0;
    if (limit == 0) return 0;
    forEachBoundary(text, [&](std::size_t) { return ++count < limit; });
    return count;
}

std::string_view characterPrefix(std::string_view text, std::size_t count) {
    if (count == 0) return text.substr(0, 0);
    std::size_t seen = 0;
    std::size_t end = text.size();
    forEachBoundary(text, [&](std::size_t boundary) {
        if (++seen == count) {
            end = boundary;
            return false;
        }
        return true;
    });
    return text.substr(0, end);
}

std::vector<std::string_view> splitCharacters(std::string_view text) {
    std::vector<std::string_view> characters;
    std::size_t start = 0;
    forEachBoundary(text, [&](std::size_t boundary) {
        characters.push_back(text.substr(start, boundary - start));
        start = boundary;
        return true;
    });
    return characters;
}

icu::UnicodeString toUnicodeString(std::string_view text) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string toUtf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

void appendUtf8(std::string& text, char32_t codePoint) {
    if (codePoint == 0 || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        codePoint = 0xFFFD;
    if (codePoint < 0x80) {
        text.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        text.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        text.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

}  // namespace quorvane
