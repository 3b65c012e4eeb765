#pragma once

// The timed operations of the search service, each with the duration above which it counts as slow.
// A plain value, stored and hashed by its raw string.

#include <array>
#include <functional>
#include <optional>
#include <string_view>

#include "base/RawValueEnum.h"

namespace quorvane {

enum class ClipboardSearchRuntimeOperationKind {
    search,
    textOnlySearch,
    textWithFiltersSearch,
    filtersOnlySearch,
    fetchRecent,
    rebuildIndex,
};

inline constexpr std::array<ClipboardSearchRuntimeOperationKind, 6> allClipboardSearchRuntimeOperationKinds =
    {
        ClipboardSearchRuntimeOperationKind::search,
        ClipboardSearchRuntimeOperationKind::textOnlySearch,
        ClipboardSearchRuntimeOperationKind::textWithFiltersSearch,
        ClipboardSearchRuntimeOperationKind::filtersOnlySearch,
        ClipboardSearchRuntimeOperationKind::fetchRecent,
        ClipboardSearchRuntimeOperationKind::rebuildIndex,
};

constexpr std::string_view rawValue(ClipboardSearchRuntimeOperationKind kind) {
    switch (kind) {
        case ClipboardSearchRuntimeOperationKind::search:
            return "search";
        case ClipboardSearchRuntimeOperationKind::textOnlySearch:
            return "textOnlySearch";
        case ClipboardSearchRuntimeOperationKind::textWithFiltersSearch:
            return "textWithFiltersSearch";
        case ClipboardSearchRuntimeOperationKind::filtersOnlySearch:
            return "filtersOnlySearch";
        case ClipboardSearchRuntimeOperationKind::fetchRecent:
            return "fetchRecent";
        case ClipboardSearchRuntimeOperationKind::rebuildIndex:
            break;
    }
    return "rebuildIndex";
}

constexpr std::optional<ClipboardSearchRuntimeOperationKind> clipboardSearchRuntimeOperationKindFromRawValue(
    std::string_view raw) {
    return caseWithRawValue(allClipboardSearchRuntimeOperationKinds, raw);
}

// Milliseconds at or above which an operation is logged as slow: the panel types ahead, so a search must
// answer within a frame or two; the recent page opens the panel; a rebuild is a rare, deliberate action.
constexpr double slowThresholdMilliseconds(ClipboardSearchRuntimeOperationKind kind) {
    switch (kind) {
        case ClipboardSearchRuntimeOperationKind::fetchRecent:
            return 150;
        case ClipboardSearchRuntimeOperationKind::rebuildIndex:
            return 2000;
        default:
            return 250;
    }
}

}  // namespace quorvane

template <>
struct std::hash<quorvane::ClipboardSearchRuntimeOperationKind>
    : quorvane::RawValueHash<quorvane::ClipboardSearchRuntimeOperationKind> {};
