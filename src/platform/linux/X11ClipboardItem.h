#pragma once

// One item of the X11 CLIPBOARD selection as read from its owner at the moment it took the clipboard: the
// type names it offered and the bytes of the representations capture reads. Plain value, safe to hand
// between threads.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/DefaultsValue.h"
#include "platform/Pasteboard.h"

namespace quorvane {

struct X11ClipboardItem {
    // Owner changes this item stands for: 1, or more when copies before it were replaced before they could
    // be read.
    std::int64_t changes = 1;
    // Offered type names in the owner's order; the X11 text targets appear once, as "text/plain".
    std::vector<std::string> types;
    // The item's text as UTF-8, from the best text target offered.
    std::optional<std::string> text;
    // Fetched bytes by type name. Types capture never reads are listed in `types` but not fetched.
    std::map<std::string, Data> representations;
    // Representations given up because they passed the item size limit, by type name ("text/plain" for the
    // text); their bytes were never kept.
    std::map<std::string, OversizedRepresentation> oversized;
    // The item that was on the clipboard when following began: not a copy, so it moves no change count.
    bool foundAtStart = false;

    friend bool operator==(const X11ClipboardItem&, const X11ClipboardItem&) = default;
};

}  // namespace quorvane
