#pragma once

// A query split into its text words and its filters. A plain value.

#include <string>
#include <unordered_set>
#include <vector>

#include "search/ClipboardSearchFilter.h"

namespace quorvane {

struct ClipboardParsedSearchQuery {
    std::vector<std::string> textTokens;
    std::vector<ClipboardSearchFilter> explicitFilters;
    // Filters the system adds without the user writing them.
    std::vector<ClipboardSearchFilter> implicitFilters;

    // The implicit filters of kinds the user did not write, then every explicit filter: a written filter
    // suppresses the implicit ones of its kind.
    std::vector<ClipboardSearchFilter> effectiveFilters() const {
        std::unordered_set<ClipboardSearchFilterKind> written;
        for (const auto& filter : explicitFilters) written.insert(filter.kind);
        std::vector<ClipboardSearchFilter> result;
        for (const auto& filter : implicitFilters) {
            if (!written.contains(filter.kind)) result.push_back(filter);
        }
        result.insert(result.end(), explicitFilters.begin(), explicitFilters.end());
        return result;
    }

    friend bool operator==(const ClipboardParsedSearchQuery&, const ClipboardParsedSearchQuery&) = default;
};

}  // namespace quorvane
