#pragma once

// One filter of a search query: a content type or classification, a source application, or a date bound.
// Made by the query parser, turned into conditions by the index store, shown as a chip by the panels.
// A plain value: safe from any thread.

#include <cstddef>
#include <functional>
#include <string>

#include "searchindex/ClipboardSearchFilterKind.h"

namespace quorvane {

struct ClipboardSearchFilter {
    ClipboardSearchFilterKind kind = ClipboardSearchFilterKind::type;
    // type: the canonical type value ("Image", "GitHub PR", a user name); app: the word as typed
    // (normalised); after/before: the raw value of a date preset.
    std::string value;
    // False for every filter written in the query.
    bool isImplicit = false;
    // The query text that produced the filter, as it stood in the normalised query ("app: safari").
    std::string sourceToken;

    // The chip text: "Type: " + the value in upper case, "App: ", "After: " or "Before: " + the value.
    std::string chipTitle() const;

    friend bool operator==(const ClipboardSearchFilter&, const ClipboardSearchFilter&) = default;
};

}  // namespace quorvane

template <>
struct std::hash<quorvane::ClipboardSearchFilter> {
    std::size_t operator()(const quorvane::ClipboardSearchFilter& filter) const noexcept;
};
