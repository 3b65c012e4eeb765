#include "panel/model/ClipboardQueryHighlighter.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <unordered_map>

#include "base/Utf8.h"
#include "model/SearchTextNormalizer.h"

namespace quorvane {
namespace {

bool isWhitespace(UChar32 c) {
    if (c < 0x80) return c == ' ' || (c >= '\t' && c <= '\r');
    return u_isUWhiteSpace(c);
}

// Folds single code points; results are cached because one text repeats few distinct characters.
class CodePointFolder {
public:
    const std::u16string& fold(UChar32 c) {
        if (c < 0x80) {
            ascii_.assign(1,
                          isWhitespace(c) ? u' ' : static_cast<char16_t>(c >= 'A' && c <= 'Z' ? c + 32 : c));
            return ascii_;
        }
        const auto found = cache_.find(c);
        if (found != cache_.end()) return found->second;
        std::u16string folded;
        if (isWhitespace(c)) {
            folded = u" ";
        } else {
            std::string utf8;
            appendUtf8(utf8, static_cast<char32_t>(c));
            const icu::UnicodeString normalized = toUnicodeString(SearchTextNormalizer::normalize(utf8));
            folded.assign(normalized.getBuffer(), static_cast<std::size_t>(normalized.length()));
        }
        return cache_.emplace(c, std::move(folded)).first->second;
    }

private:
    std::u16string ascii_;
    std::unordered_map<UChar32, std::u16string> cache_;
};

UChar32 codePointAt(std::u16string_view text, std::size_t& index) {
    UChar32 c;
    U16_NEXT(text.data(), index, text.size(), c);
    return c;
}

std::u16string foldWith(CodePointFolder& folder, std::u16string_view text,
                        std::vector<std::uint32_t>* origins) {
    std::u16string out;
    out.reserve(text.size());
    if (origins) {
        origins->clear();
        origins->reserve(text.size());
    }
    for (std::size_t index = 0; index < text.size();) {
        const std::size_t start = index;
        const std::u16string& folded = folder.fold(codePointAt(text, index));
        out += folded;
        if (origins) origins->insert(origins->end(), folded.size(), static_cast<std::uint32_t>(start));
    }
    return out;
}

}  // namespace

std::vector<std::u16string> ClipboardQueryHighlighter::terms(std::u16string_view query) {
    std::vector<std::u16string> result;
    if (query.empty()) return result;
    std::vector<std::u16string> folded;
    CodePointFolder folder;
    const auto add = [&](std::u16string_view term) {
        if (term.empty()) return;
        std::u16string key = foldWith(folder, term, nullptr);
        if (std::find(folded.begin(), folded.end(), key) != folded.end()) return;
        folded.push_back(std::move(key));
        result.emplace_back(term);
    };
    add(query);
    std::size_t index = 0;
    while (index < query.size()) {
        std::size_t start = index;
        std::size_t probe = index;
        if (isWhitespace(codePointAt(query, probe))) {
            index = probe;
            continue;
        }
        std::size_t end = start;
        while (end < query.size()) {
            std::size_t next = end;
            if (isWhitespace(codePointAt(query, next))) break;
            end = next;
        }
        add(query.substr(start, end - start));
        index = end;
    }
    return result;
}

std::u16string ClipboardQueryHighlighter::fold(std::u16string_view text,
                                               std::vector<std::uint32_t>* origins) {
    CodePointFolder folder;
    return foldWith(folder, text, origins);
}

std::vector<ClipboardTextSpan> ClipboardQueryHighlighter::ranges(std::u16string_view text,
                                                                 std::u16string_view query) {
    std::vector<ClipboardTextSpan> spans;
    if (text.empty()) return spans;
    const std::vector<std::u16string> queryTerms = terms(query);
    if (queryTerms.empty()) return spans;

    CodePointFolder folder;
    std::vector<std::uint32_t> origins;
    const std::u16string foldedText = foldWith(folder, text, &origins);
    for (const std::u16string& term : queryTerms) {
        const std::u16string foldedTerm = foldWith(folder, term, nullptr);
        // A term that folds to nothing would match everywhere without moving on.
        if (foldedTerm.empty()) continue;
        std::size_t from = 0;
        while (from < foldedText.size()) {
            const std::size_t found = foldedText.find(foldedTerm, from);
            if (found == std::u16string::npos) break;
            const std::size_t foldedEnd = found + foldedTerm.size();
            const std::size_t start = origins[found];
            std::size_t end = origins[foldedEnd - 1];
            codePointAt(text, end);
            // Accents that fold away belong to the character they follow.
            while (end < text.size()) {
                std::size_t next = end;
                if (!folder.fold(codePointAt(text, next)).empty()) break;
                end = next;
            }
            spans.push_back({start, end - start});
            from = foldedEnd;
        }
    }
    return merged(std::move(spans));
}

std::vector<ClipboardTextSpan> ClipboardQueryHighlighter::merged(std::vector<ClipboardTextSpan> spans) {
    std::sort(spans.begin(), spans.end(),
              [](const ClipboardTextSpan& a, const ClipboardTextSpan& b) { return a.start < b.start; });
    std::vector<ClipboardTextSpan> result;
    for (const ClipboardTextSpan& span : spans) {
        if (!result.empty() && span.start <= result.back().end()) {
            const std::size_t end = std::max(result.back().end(), span.end());
            result.back().length = end - result.back().start;
        } else {
            result.push_back(span);
        }
    }
    return result;
}

}  // namespace quorvane
