#pragma once

// The pattern engine the linear scanners must agree with, for small inputs only, plus a seeded generator of
// short texts over a hostile alphabet.

#include <unicode/regex.h>
#include <unicode/utext.h>

#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Utf8.h"

namespace quorvane::testing {

// Byte ranges of every non-overlapping match of `pattern` in `text`.
inline std::vector<std::pair<std::size_t, std::size_t>> icuMatches(std::string_view pattern,
                                                                   std::string_view text,
                                                                   uint32_t flags = 0) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(toUnicodeString(pattern), flags, parseError, status));
    UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    std::unique_ptr<icu::RegexMatcher> matcher(compiled->matcher(status));
    matcher->reset(utext);
    std::vector<std::pair<std::size_t, std::size_t>> matches;
    while (matcher->find(status) && U_SUCCESS(status)) {
        matches.emplace_back(static_cast<std::size_t>(matcher->start64(status)),
                             static_cast<std::size_t>(matcher->end64(status)));
    }
    matcher.reset();
    utext_close(utext);
    return matches;
}

inline bool icuFinds(std::string_view pattern, std::string_view text, uint32_t flags = 0) {
    return !icuMatches(pattern, text, flags).empty();
}

// Texts of 0 to `maxPieces` pieces drawn from `alphabet` (pieces may be several bytes or characters).
class TextGenerator {
public:
    TextGenerator(std::vector<std::string> alphabet, std::size_t maxPieces, unsigned seed = 20261209)
        : alphabet_(std::move(alphabet)), maxPieces_(maxPieces), random_(seed) {}

    std::string next() {
        std::uniform_int_distribution<std::size_t> count(0, maxPieces_);
        std::uniform_int_distribution<std::size_t> pick(0, alphabet_.size() - 1);
        std::string text;
        for (std::size_t n = count(random_); n > 0; --n) text += alphabet_[pick(random_)];
        return text;
    }

private:
    std::vector<std::string> alphabet_;
    std::size_t maxPieces_;
    std::mt19937 random_;
};

}  // namespace quorvane::testing
