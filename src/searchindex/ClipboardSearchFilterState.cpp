#include "searchindex/ClipboardSearchFilterState.h"

#include <unicode/timezone.h>

#include <memory>

#include "model/SearchTextNormalizer.h"
#include "searchindex/ClipboardSearchDatePreset.h"
#include "searchindex/ClipboardSearchVocabulary.h"
#include "searchindex/SearchStrings.h"

namespace quorvane {
namespace {

std::optional<ClipboardSearchDatePreset> preset(const std::string& value) {
    return clipboardSearchDatePreset(search_strings::lowercased(value));
}

}  // namespace

ClipboardSearchFilterState ClipboardSearchFilterState::make(const std::vector<ClipboardSearchFilter>& filters,
                                                            Date now) {
    ClipboardSearchFilterState state;
    const std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
    for (const auto& filter : filters) {
        switch (filter.kind) {
            case ClipboardSearchFilterKind::type:
                if (SearchTextNormalizer::normalize(filter.value).empty()) {
                    state.classification = filter.value;
                } else if (const auto type =
                               ClipboardSearchVocabulary::mainContentTypeMatching(filter.value)) {
                    state.contentType = type;
                } else {
                    state.classification = filter.value;
                }
                break;
            case ClipboardSearchFilterKind::app:
                state.appValue = filter.value;
                break;
            case ClipboardSearchFilterKind::after:
                if (const auto p = preset(filter.value)) state.lowerBound = dateRange(*p, now, *zone).start;
                break;
            case ClipboardSearchFilterKind::before:
                if (const auto p = preset(filter.value)) state.upperBound = dateRange(*p, now, *zone).end;
                break;
        }
    }
    return state;
}

}  // namespace quorvane
