#pragma once

// The effective filters of a search reduced to the conditions the index applies: content type,
// classification, application value and creation-time bounds. A later filter of a kind replaces an earlier
// one. A plain value.

#include <optional>
#include <string>
#include <vector>

#include "base/Date.h"
#include "model/ClipboardContentType.h"
#include "searchindex/ClipboardSearchFilter.h"

namespace quorvane {

struct ClipboardSearchFilterState {
    std::optional<ClipboardContentType> contentType;
    // The type value as typed, compared case-insensitively with the stored classification.
    std::optional<std::string> classification;
    std::optional<std::string> appValue;
    // Entries created at or after the lower bound and before the upper bound.
    std::optional<Date> lowerBound;
    std::optional<Date> upperBound;

    // `now` places the date presets; they are read in the user's time zone.
    static ClipboardSearchFilterState make(const std::vector<ClipboardSearchFilter>& filters, Date now);

    friend bool operator==(const ClipboardSearchFilterState&, const ClipboardSearchFilterState&) = default;
};

}  // namespace quorvane
