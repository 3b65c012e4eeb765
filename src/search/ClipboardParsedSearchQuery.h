#pragma once

// A search query split into its text words and its filters, as the query parser returns it.
// Read by the search service, the panels' filter chips and their own snapshot filtering.
// A plain value: safe from any thread.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "searchindex/ClipboardSearchFilter.h"

namespace quorvane {

struct ClipboardParsedSearchQuery {
    // The words that are not filters, in query order.
    std::vector<std::string> textTokens;
    // The filters written in the query, in query order, repeats kept.
    std::vector<ClipboardSearchFilter> explicitFilters;
    // Filters the system adds on its own; the parser leaves this empty.
    std::vector<ClipboardSearchFilter> implicitFilters;

    // The implicit filters whose kind no explicit filter has, followed by every explicit filter.
    std::vector<ClipboardSearchFilter> effectiveFilters() const;

    friend bool operator==(const ClipboardParsedSearchQuery&, const ClipboardParsedSearchQuery&) = default;
};

}  // namespace quorvane

template <>
struct std::hash<quorvane::ClipboardParsedSearchQuery> {
    std::size_t operator()(const quorvane::ClipboardParsedSearchQuery& query) const noexcept;
};
