#pragma once

// One row of the search index: an entry's searchable text cut to the configured character limit, normalised,
// compacted and (when enabled) transliterated to pinyin. Built by the history store for each upsert and by
// the rebuild. A plain value; building it is pure and safe from any thread.

#include <cstdint>
#include <optional>
#include <string>

#include "base/Date.h"
#include "model/ClipboardContentType.h"
#include "searchindex/ClipboardSearchIndexConfiguration.h"
#include "searchindex/ClipboardSearchSourceDocument.h"

namespace quorvane {

struct ClipboardSearchIndexDocument {
    std::string id;
    std::string preview;
    Date createdAt;
    // The recency key: the last access when present and not earlier than the creation, else the creation.
    Date sortAt;
    std::optional<Date> lastAccessedAt;
    std::int64_t accessCount = 0;
    ClipboardContentType contentType = ClipboardContentType::text;
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> classification;
    std::string normalizedText;
    std::string compactText;
    std::string pinyinSpaced;
    std::string pinyinCompact;
    bool isTruncated = false;

    // Builds the row of `source`. Never fails.
    static ClipboardSearchIndexDocument make(const ClipboardSearchSourceDocument& source,
                                             std::int64_t textCharacterLimit,
                                             std::int64_t imageOCRCharacterLimit, bool isPinyinIndexEnabled);
    static ClipboardSearchIndexDocument make(const ClipboardSearchSourceDocument& source,
                                             const ClipboardSearchIndexConfiguration& configuration) {
        return make(source, configuration.textCharacterLimit, configuration.imageOCRCharacterLimit,
                    configuration.isPinyinIndexEnabled);
    }
};

}  // namespace quorvane
