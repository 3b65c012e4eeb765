#include "model/SearchTextNormalizer.h"

#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "base/Logger.h"
#include "base/Utf8.h"
#include "base/WhitespaceTrimming.h"

namespace quorvane {
namespace {

constexpr std::string_view kLogCategory = "SearchTextNormalizer";

// An accent is a nonspacing mark with the Diacritic property. Vowel signs of Thai or Devanagari are
// nonspacing marks too, but they carry the word, so they stay.
bool isAccent(UChar32 c) {
    return c >= 0x300 && u_charType(c) == U_NON_SPACING_MARK && u_hasBinaryProperty(c, UCHAR_DIACRITIC);
}

// Zero-width spaces and joiners, soft hyphens, byte-order marks, variation selectors and their kin: they
// show as nothing, so a word with one inside must be found by the word typed without it.
bool isInvisible(UChar32 c) {
    return c >= 0xAD && u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT);
}

// Drops the accents of `text` (canonically decomposed, then recomposed) and, for the search form, also the
// invisible characters, and makes every run of whitespace one blank with none left at either end. One pass
// over the text: normalising runs on every search document and query.
void removeAccents(icu::UnicodeString& text, bool searchForm) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* decompose = icu::Normalizer2::getNFDInstance(status);
    const icu::Normalizer2* compose = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return;
    const icu::UnicodeString decomposed = decompose->normalize(text, status);
    if (U_FAILURE(status)) return;
    const char16_t* source = decomposed.getBuffer();
    const int32_t length = decomposed.length();
    icu::UnicodeString kept;
    char16_t* target = kept.getBuffer(length);
    int32_t written = 0;
    bool pendingBlank = false;
    for (int32_t i = 0; i < length;) {
        int32_t start = i;
        UChar32 c;
        U16_NEXT(source, i, length, c);
        if (searchForm && isUnicodeWhitespace(c)) {
            pendingBlank = written > 0;
            continue;
        }
        if (isAccent(c) || (searchForm && isInvisible(c))) continue;
        if (pendingBlank) target[written++] = u' ';
        pendingBlank = false;
        while (start < i) target[written++] = source[start++];
    }
    kept.releaseBuffer(written);
    icu::UnicodeString composed = compose->normalize(kept, status);
    if (U_SUCCESS(status)) text = std::move(composed);
}

icu::UnicodeString trimmedWhitespace(const icu::UnicodeString& text) {
    int32_t start = 0;
    int32_t end = text.length();
    while (start < end && isUnicodeWhitespace(text.char32At(start)))
        start += U16_LENGTH(text.char32At(start));
    while (end > start) {
        const int32_t last = text.moveIndex32(end, -1);
        if (!isUnicodeWhitespace(text.char32At(last))) break;
        end = last;
    }
    return icu::UnicodeString(text, start, end - start);
}

bool containsHan(const icu::UnicodeString& text) {
    for (int32_t i = 0; i < text.length();) {
        const UChar32 c = text.char32At(i);
        UErrorCode status = U_ZERO_ERROR;
        if (uscript_getScript(c, &status) == USCRIPT_HAN) return true;
        i += U16_LENGTH(c);
    }
    return false;
}

// ICU's Han-Latin transliterator takes tens of milliseconds to build and is not safe to share unguarded, so
// one instance is built on first use and every call goes through the lock.
class HanLatin {
public:
    static HanLatin& shared() {
        static HanLatin instance;
        return instance;
    }

    // The toneless lower-case syllable of one character, or none when ICU gives no romanisation.
    std::optional<std::string> syllable(std::string_view character) {
        icu::UnicodeString text = toUnicodeString(character);
        {
            std::lock_guard lock(mutex_);
            if (!transliterator_) return std::nullopt;
            transliterator_->transliterate(text);
        }
        removeAccents(text, false);
        text = trimmedWhitespace(text);
        text.toLower(icu::Locale::getRoot());
        // An ideograph ICU has no reading for comes back as itself: that is not a syllable.
        if (text.isEmpty() || containsHan(text)) return std::nullopt;
        return toUtf8(text);
    }

private:
    HanLatin() {
        UErrorCode status = U_ZERO_ERROR;
        transliterator_.reset(icu::Transliterator::createInstance("Han-Latin", UTRANS_FORWARD, status));
        if (U_FAILURE(status) || !transliterator_) {
            transliterator_.reset();
            Logger::error(
                std::string("Failed to create the Han-Latin transliterator: ") + u_errorName(status),
                kLogCategory);
        }
    }

    std::mutex mutex_;
    std::unique_ptr<icu::Transliterator> transliterator_;
};

std::string joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out += separator;
        out += parts[i];
    }
    return out;
}

// Calls `onIdeograph(character, syllable)` for each ideograph of `head` that has a syllable and
// `onOther(character)` for every other character, in order.
template <class OnIdeograph, class OnOther>
void walkHead(std::string_view head, OnIdeograph&& onIdeograph, OnOther&& onOther) {
    for (const std::string_view character : splitCharacters(head)) {
        if (SearchTextNormalizer::isChineseIdeograph(character)) {
            if (auto syllable = HanLatin::shared().syllable(character)) {
                onIdeograph(character, std::move(*syllable));
                continue;
            }
        }
        onOther(character);
    }
}

}  // namespace

bool SearchTextNormalizer::isChineseIdeograph(std::string_view character) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(character.data());
    const int32_t length = static_cast<int32_t>(std::min<std::size_t>(character.size(), 4));
    int32_t index = 0;
    UChar32 c = -1;
    if (length > 0) U8_NEXT(bytes, index, length, c);
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x20000 && c <= 0x2A6DF) ||
           (c >= 0x2A700 && c <= 0x2B73F);
}

std::string SearchTextNormalizer::withoutInvisibleCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        const int32_t start = i;
        UChar32 c;
        U8_NEXT(text.data(), i, length, c);
        // Bytes that are no UTF-8 stay as they are.
        if (c >= 0 && isInvisible(c)) continue;
        out.append(text.substr(start, i - start));
    }
    return out;
}

std::string SearchTextNormalizer::normalize(std::string_view text) {
    icu::UnicodeString folded = toUnicodeString(text);
    // The root locale, so stored text and later queries fold alike whatever the user's language.
    folded.foldCase(U_FOLD_CASE_DEFAULT);
    removeAccents(folded, true);
    folded.toLower(icu::Locale::getRoot());
    return toUtf8(folded);
}

SearchTextNormalizer::LatinTransliteration SearchTextNormalizer::latinTransliteration(std::string_view text) {
    std::vector<std::string> syllables;
    walkHead(
        characterPrefix(text, transliterationLimit),
        [&](std::string_view, std::string syllable) { syllables.push_back(std::move(syllable)); },
        [](std::string_view) {});
    return {joined(syllables, ""), joined(syllables, " ")};
}

std::string SearchTextNormalizer::pinyinAnnotatedText(std::string_view text) {
    const std::string_view head = characterPrefix(text, transliterationLimit);
    std::string out;
    out.reserve(text.size() + head.size());
    std::string run;
    std::vector<std::string> syllables;
    const auto closeRun = [&] {
        if (run.empty()) return;
        out += run;
        out += '(';
        out += joined(syllables, "");
        out += ' ';
        out += joined(syllables, " ");
        out += ')';
        run.clear();
        syllables.clear();
    };
    walkHead(
        head,
        [&](std::string_view character, std::string syllable) {
            run += character;
            syllables.push_back(std::move(syllable));
        },
        [&](std::string_view character) {
            closeRun();
            out += character;
        });
    closeRun();
    out += text.substr(head.size());
    return out;
}

}  // namespace quorvane
