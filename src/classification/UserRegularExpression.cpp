#include "classification/UserRegularExpression.h"

#include <unicode/utext.h>

#include "base/Utf8.h"

namespace quorvane {

std::unique_ptr<UserRegularExpression> UserRegularExpression::compile(std::string_view pattern) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(toUnicodeString(pattern), 0, parseError, status));
    if (U_FAILURE(status) || !compiled) return nullptr;
    return std::unique_ptr<UserRegularExpression>(new UserRegularExpression(std::move(compiled)));
}

UserRegularExpression::Outcome UserRegularExpression::find(std::string_view text) const {
    UErrorCode status = U_ZERO_ERROR;
    UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    if (U_FAILURE(status)) return Outcome::noMatch;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern_->matcher(status));
    if (U_FAILURE(status) || !matcher) {
        utext_close(utext);
        return Outcome::noMatch;
    }
    matcher->reset(utext);
    matcher->setTimeLimit(kWorkLimitSteps, status);
    const bool found = U_SUCCESS(status) && matcher->find(status);
    Outcome outcome = found && U_SUCCESS(status) ? Outcome::match : Outcome::noMatch;
    if (status == U_REGEX_TIME_OUT || status == U_REGEX_STACK_OVERFLOW) outcome = Outcome::limitExceeded;
    matcher.reset();
    utext_close(utext);
    return outcome;
}

}  // namespace quorvane
