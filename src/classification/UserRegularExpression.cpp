#include "classification/UserRegularExpression.h"

#include <unicode/utext.h>

#include "base/Utf8.h"

namespace quorvane {
namespace {

struct SearchWatch {
    std::chrono::steady_clock::time_point deadline;
    int32_t steps = 0;
};

// Called by the engine once per step.
UBool keepSearching(const void* context, int32_t steps) {
    auto* watch = static_cast<SearchWatch*>(const_cast<void*>(context));
    watch->steps = steps;
    return std::chrono::steady_clock::now() < watch->deadline;
}

}  // namespace

std::unique_ptr<UserRegularExpression> UserRegularExpression::compile(std::string_view pattern) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(toUnicodeString(pattern), 0, parseError, status));
    if (U_FAILURE(status) || !compiled) return nullptr;
    return std::unique_ptr<UserRegularExpression>(new UserRegularExpression(std::move(compiled)));
}

UserRegularExpression::Outcome UserRegularExpression::find(std::string_view text, Budget& budget) const {
    if (budget.exhausted()) return Outcome::limitExceeded;
    UErrorCode status = U_ZERO_ERROR;
    UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    if (U_FAILURE(status)) return Outcome::noMatch;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern_->matcher(status));
    if (U_FAILURE(status) || !matcher) {
        utext_close(utext);
        return Outcome::noMatch;
    }
    matcher->reset(utext);
    SearchWatch watch{budget.deadline_};
    matcher->setTimeLimit(budget.remainingSteps_, status);
    matcher->setMatchCallback(keepSearching, &watch, status);
    const bool found = U_SUCCESS(status) && matcher->find(status);
    Outcome outcome = found && U_SUCCESS(status) ? Outcome::match : Outcome::noMatch;
    if (status == U_REGEX_TIME_OUT || status == U_REGEX_STOPPED_BY_CALLER ||
        status == U_REGEX_STACK_OVERFLOW) {
        outcome = Outcome::limitExceeded;
        budget.remainingSteps_ = 0;
    } else {
        budget.remainingSteps_ -= watch.steps;
    }
    matcher.reset();
    utext_close(utext);
    return outcome;
}

}  // namespace quorvane
