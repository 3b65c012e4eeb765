#pragma once

// A regular expression written by the user (a classification rule's pattern), compiled once and searched
// with a bound on the matching work, so that a catastrophic pattern such as "(a+)+$" over a long text ends
// as "no match" instead of hanging capture. Immutable after compilation; find() is safe from any thread.

#include <unicode/regex.h>

#include <memory>
#include <string_view>

namespace quorvane {

class UserRegularExpression {
public:
    enum class Outcome { match, noMatch, limitExceeded };

    // Matching work allowed per search, in the regex engine's steps (each roughly ten thousand basic
    // operations): enough for ordinary patterns over a megabyte of text.
    static constexpr int32_t kWorkLimitSteps = 2000;

    // Nothing when the pattern does not compile (no options are applied).
    static std::unique_ptr<UserRegularExpression> compile(std::string_view pattern);

    UserRegularExpression(const UserRegularExpression&) = delete;
    UserRegularExpression& operator=(const UserRegularExpression&) = delete;

    // Whether the pattern finds a match anywhere in `text`.
    Outcome find(std::string_view text) const;

private:
    explicit UserRegularExpression(std::unique_ptr<icu::RegexPattern> pattern)
        : pattern_(std::move(pattern)) {}

    std::unique_ptr<icu::RegexPattern> pattern_;
};

}  // namespace quorvane
