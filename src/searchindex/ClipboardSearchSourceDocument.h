#pragma once

// What the history store hands the search index for one entry; the index builds its row from it
// (ClipboardSearchIndexDocument). A plain value.

#include <cstdint>
#include <optional>
#include <string>

#include "base/Date.h"
#include "model/ClipboardContentType.h"

namespace quorvane {

struct ClipboardSearchSourceDocument {
    std::string id;
    std::string preview;
    // The full text to index; the index cuts it to its character limit.
    std::string searchableText;
    Date createdAt;
    std::optional<Date> lastAccessedAt;
    std::int64_t accessCount = 0;
    ClipboardContentType contentType = ClipboardContentType::text;
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> classification;
};

}  // namespace quorvane
