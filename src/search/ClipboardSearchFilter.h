#pragma once

// One filter of a search query: its kind, its canonical value, whether the system added it, and the words of
// the query that produced it (so a chip can remove them). A plain value.

#include <string>

#include "search/ClipboardSearchFilterKind.h"

namespace quorvane {

struct ClipboardSearchFilter {
    ClipboardSearchFilterKind kind = ClipboardSearchFilterKind::type;
    // type: the canonical type value; app: the word as typed (normalised); after/before: a date preset.
    std::string value;
    bool isImplicit = false;
    std::string sourceToken;

    friend bool operator==(const ClipboardSearchFilter&, const ClipboardSearchFilter&) = default;
};

}  // namespace quorvane
