#include "search/ClipboardParsedSearchQuery.h"

#include <algorithm>

#include "searchindex/SearchValueHash.h"

namespace quorvane {

std::vector<ClipboardSearchFilter> ClipboardParsedSearchQuery::effectiveFilters() const {
    auto writtenExplicitly = [this](ClipboardSearchFilterKind kind) {
        return std::any_of(explicitFilters.begin(), explicitFilters.end(),
                           [kind](const ClipboardSearchFilter& filter) { return filter.kind == kind; });
    };
    std::vector<ClipboardSearchFilter> result;
    for (const auto& filter : implicitFilters) {
        if (!writtenExplicitly(filter.kind)) result.push_back(filter);
    }
    result.insert(result.end(), explicitFilters.begin(), explicitFilters.end());
    return result;
}

}  // namespace quorvane

std::size_t std::hash<quorvane::ClipboardParsedSearchQuery>::operator()(
    const quorvane::ClipboardParsedSearchQuery& query) const noexcept {
    using quorvane::search_hash::combine;
    using quorvane::search_hash::ofList;
    std::size_t seed = ofList(query.textTokens);
    combine(seed, ofList(query.explicitFilters));
    combine(seed, ofList(query.implicitFilters));
    return seed;
}
