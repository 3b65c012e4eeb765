#pragma once

// Keeps the process-wide interface language in step with "AppLanguage" in the standard settings, so that a
// text lookup reads one atomic instead of the settings. The application owns one for its lifetime; tests own
// one per case. Build and destroy it on the main thread; current() is safe from any thread.

#include <cstdint>

#include "base/CallbackList.h"
#include "l10n/AppLanguage.h"

namespace quorvane {

class UserDefaults;

class StandardAppLanguage {
public:
    // Follows `standardDefaults` (which must outlive this object) from now on, replacing any earlier one.
    explicit StandardAppLanguage(UserDefaults& standardDefaults);
    // Stops following; the language falls back to English unless a newer one has taken over.
    ~StandardAppLanguage();
    StandardAppLanguage(const StandardAppLanguage&) = delete;
    StandardAppLanguage& operator=(const StandardAppLanguage&) = delete;

    // The language last read from the followed settings; English when none are followed.
    static AppLanguage current();

private:
    std::uint64_t token_;
    Subscription changes_;
};

}  // namespace quorvane
