#include "search/ClipboardSearchFilterState.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "core/SearchTextNormalizer.h"
#include "core/Utf8.h"
#include "search/ClipboardSearchDatePreset.h"
#include "search/ClipboardSearchVocabulary.h"

namespace quorvane {
namespace {

std::optional<ClipboardSearchDatePreset> preset(const std::string& value) {
    auto lowered = toUnicodeString(value);
    lowered.toLower(icu::Locale::getRoot());
    return clipboardSearchDatePresetFromRawValue(toUtf8(lowered));
}

}  // namespace

ClipboardSearchFilterState ClipboardSearchFilterState::make(const std::vector<ClipboardSearchFilter>& filters,
                                                            Date now) {
    ClipboardSearchFilterState state;
    for (const auto& filter : filters) {
        switch (filter.kind) {
            case ClipboardSearchFilterKind::type:
                if (SearchTextNormalizer::normalize(filter.value).empty()) {
                    state.classification = filter.value;
                } else if (const auto type = ClipboardSearchVocabulary::mainContentTypeMatching(filter.value)) {
                    state.contentType = type;
                } else {
                    state.classification = filter.value;
                }
                break;
            case ClipboardSearchFilterKind::app:
                state.appValue = filter.value;
                break;
            case ClipboardSearchFilterKind::after:
                if (const auto p = preset(filter.value)) state.lowerBound = dateRange(*p, now).first;
                break;
            case ClipboardSearchFilterKind::before:
                if (const auto p = preset(filter.value)) state.upperBound = dateRange(*p, now).second;
                break;
        }
    }
    return state;
}

}  // namespace quorvane
