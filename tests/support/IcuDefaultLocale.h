#pragma once

// Runs code as a process started under another locale would: ICU's default locale set to `locale` and a
// fresh thread, so nothing cached per thread (collators) carries over from the test's own locale.

#include <unicode/locid.h>

#include <thread>
#include <utility>

namespace quorvane::testing {

template <typename Body>
void runUnderIcuDefaultLocale(const char* locale, Body&& body) {
    const icu::Locale previous = icu::Locale::getDefault();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale(locale), status);
    std::thread thread(std::forward<Body>(body));
    thread.join();
    status = U_ZERO_ERROR;
    icu::Locale::setDefault(previous, status);
}

}  // namespace quorvane::testing
