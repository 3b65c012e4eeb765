#pragma once

// The four filter words of the query language ("type:", "app:", "after:", "before:"). A plain value, stored
// and hashed by its raw string.

#include <array>
#include <functional>
#include <optional>
#include <string_view>

#include "core/RawValueEnum.h"

namespace quorvane {

enum class ClipboardSearchFilterKind { type, app, after, before };

inline constexpr std::array<ClipboardSearchFilterKind, 4> allClipboardSearchFilterKinds = {
    ClipboardSearchFilterKind::type, ClipboardSearchFilterKind::app, ClipboardSearchFilterKind::after,
    ClipboardSearchFilterKind::before};

constexpr std::string_view rawValue(ClipboardSearchFilterKind kind) {
    switch (kind) {
        case ClipboardSearchFilterKind::type:
            return "type";
        case ClipboardSearchFilterKind::app:
            return "app";
        case ClipboardSearchFilterKind::after:
            return "after";
        case ClipboardSearchFilterKind::before:
            break;
    }
    return "before";
}

// The kind with exactly this raw value (case-sensitive: callers lowercase first), or nothing.
constexpr std::optional<ClipboardSearchFilterKind> clipboardSearchFilterKindFromRawValue(std::string_view raw) {
    return caseWithRawValue(allClipboardSearchFilterKinds, raw);
}

}  // namespace quorvane

template <>
struct std::hash<quorvane::ClipboardSearchFilterKind> : quorvane::RawValueHash<quorvane::ClipboardSearchFilterKind> {};
