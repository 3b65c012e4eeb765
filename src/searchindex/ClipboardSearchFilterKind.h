#pragma once

// The four filter words of the search field: "type", "app", "after" and "before".
// Plain values: safe from any thread.

#include <array>
#include <optional>
#include <string_view>

namespace quorvane {

enum class ClipboardSearchFilterKind { type, app, after, before };

// Every kind, in declaration order.
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
            return "before";
    }
    return "type";
}

// The kind whose raw value is exactly `raw` (case-sensitive: callers lowercase first).
constexpr std::optional<ClipboardSearchFilterKind> clipboardSearchFilterKind(std::string_view raw) {
    for (auto kind : allClipboardSearchFilterKinds) {
        if (rawValue(kind) == raw) return kind;
    }
    return std::nullopt;
}

}  // namespace quorvane
