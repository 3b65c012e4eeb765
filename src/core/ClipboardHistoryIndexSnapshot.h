#pragma once

// The plain-value copy of a history entry's index record: what lists, pages and search results carry between
// the history store, the search index and the panels. Copied freely across threads.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/ClipboardContentType.h"
#include "platform/Date.h"

namespace quorvane {

struct ClipboardHistoryIndexSnapshot {
    std::string id;
    std::string preview;
    std::string searchText;
    Date createdAt;
    std::optional<Date> lastAccessedAt;
    std::int64_t accessCount = 0;
    ClipboardContentType contentType = ClipboardContentType::text;
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> classification;

    // The last use when present and not earlier than the capture, else the capture: a use recorded with a
    // clock that went backwards never moves an entry back.
    Date sortAt() const {
        return lastAccessedAt && *lastAccessedAt >= createdAt ? *lastAccessedAt : createdAt;
    }

    friend bool operator==(const ClipboardHistoryIndexSnapshot&, const ClipboardHistoryIndexSnapshot&) = default;
};

}  // namespace quorvane

template <>
struct std::hash<quorvane::ClipboardHistoryIndexSnapshot> {
    std::size_t operator()(const quorvane::ClipboardHistoryIndexSnapshot& s) const noexcept {
        std::size_t seed = 0;
        const auto mix = [&seed](std::size_t value) { seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); };
        const auto mixOptionalDate = [&](const std::optional<quorvane::Date>& d) {
            mix(d ? 1 : 0);
            if (d) mix(std::hash<double>{}(d->timeIntervalSince1970));
        };
        const auto mixOptionalString = [&](const std::optional<std::string>& text) {
            mix(text ? 1 : 0);
            if (text) mix(std::hash<std::string>{}(*text));
        };
        mix(std::hash<std::string>{}(s.id));
        mix(std::hash<std::string>{}(s.preview));
        mix(std::hash<std::string>{}(s.searchText));
        mix(std::hash<double>{}(s.createdAt.timeIntervalSince1970));
        mixOptionalDate(s.lastAccessedAt);
        mix(std::hash<std::int64_t>{}(s.accessCount));
        mix(std::hash<quorvane::ClipboardContentType>{}(s.contentType));
        mixOptionalString(s.bundleIdentifier);
        mixOptionalString(s.classification);
        return seed;
    }
};
