#pragma once

// A regular expression written by the user (a classification rule's pattern), compiled once and searched
// within a bound on the matching work that all the rules of one text share, so that catastrophic patterns
// such as "(a+)+$" over a long text end as "no match" instead of holding capture up. Immutable after
// compilation; find() is safe from any thread (each caller brings its own budget).

#include <unicode/regex.h>

#include <chrono>
#include <memory>
#include <string_view>

namespace quorvane {

class UserRegularExpression {
public:
    enum class Outcome { match, noMatch, limitExceeded };

    // The matching work several searches share: the regex engine's steps (each roughly ten thousand basic
    // operations) and a deadline, whichever ends first. Once a search runs out, later ones do not run.
    class Budget {
    public:
        Budget(int32_t steps, std::chrono::steady_clock::duration time)
            : remainingSteps_(steps), deadline_(std::chrono::steady_clock::now() + time) {}

        bool exhausted() const {
            return remainingSteps_ <= 0 || std::chrono::steady_clock::now() >= deadline_;
        }

    private:
        friend class UserRegularExpression;
        int32_t remainingSteps_;
        std::chrono::steady_clock::time_point deadline_;
    };

    // Nothing when the pattern does not compile (no options are applied).
    static std::unique_ptr<UserRegularExpression> compile(std::string_view pattern);

    UserRegularExpression(const UserRegularExpression&) = delete;
    UserRegularExpression& operator=(const UserRegularExpression&) = delete;

    // Whether the pattern finds a match anywhere in `text`, spending from `budget`; limitExceeded when the
    // budget ran out before or during the search.
    Outcome find(std::string_view text, Budget& budget) const;

private:
    explicit UserRegularExpression(std::unique_ptr<icu::RegexPattern> pattern)
        : pattern_(std::move(pattern)) {}

    std::unique_ptr<icu::RegexPattern> pattern_;
};

}  // namespace quorvane
