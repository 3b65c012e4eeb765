#pragma once

// The storage page's figures as text in the interface language: counts with the language's grouping, sizes
// in decimal units (bytes, KB, MB, GB, as file sizes are shown) and the newest entry's age. Pure functions
// over ICU; safe from any thread.

#include <cstdint>
#include <string>

#include "base/Date.h"
#include "l10n/AppLanguage.h"

namespace quorvane {

class StorageSettingsFormatting {
public:
    StorageSettingsFormatting() = delete;

    // "1,234" in English, "1,234" in Chinese; the plain digits when ICU cannot format.
    static std::string countText(std::int64_t count, AppLanguage language);
    // "0 bytes" for 0 or less; below 1 KB the whole bytes ("512 bytes"); then KB without decimals, MB with
    // one and GB with two, each unit taken once the value would round to 1 of it.
    static std::string byteCountText(std::int64_t bytes, AppLanguage language);
    // The age of `date` at `now` in abbreviated units ("5 min. ago", "5分钟前").
    static std::string relativeTimeText(Date date, Date now, AppLanguage language);
};

}  // namespace quorvane
