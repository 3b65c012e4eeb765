#include "searchindex/ClipboardSearchFilter.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "base/Utf8.h"
#include "searchindex/SearchValueHash.h"

namespace quorvane {

std::string ClipboardSearchFilter::chipTitle() const {
    switch (kind) {
        case ClipboardSearchFilterKind::type: {
            // Root locale: a Turkish user still sees "Type: JSON", not a dotted capital I.
            auto upper = toUnicodeString(value);
            upper.toUpper(icu::Locale::getRoot());
            return "Type: " + toUtf8(upper);
        }
        case ClipboardSearchFilterKind::app:
            return "App: " + value;
        case ClipboardSearchFilterKind::after:
            return "After: " + value;
        case ClipboardSearchFilterKind::before:
            return "Before: " + value;
    }
    return value;
}

}  // namespace quorvane

std::size_t std::hash<quorvane::ClipboardSearchFilter>::operator()(
    const quorvane::ClipboardSearchFilter& filter) const noexcept {
    std::size_t seed = std::hash<int>{}(static_cast<int>(filter.kind));
    quorvane::search_hash::combine(seed, std::hash<std::string>{}(filter.value));
    quorvane::search_hash::combine(seed, std::hash<bool>{}(filter.isImplicit));
    quorvane::search_hash::combine(seed, std::hash<std::string>{}(filter.sourceToken));
    return seed;
}
