#pragma once

// The classifier as capture, the search index rebuild and the classification window's test bench hold it.
// An instance serves one caller at a time (capture on the main thread, the rebuild on the search service's
// queue); classify() never fails.

#include <set>
#include <string_view>
#include <vector>

#include "classification/ClipboardClassificationResult.h"
#include "classification/ClipboardUserClassificationRule.h"

namespace quorvane {

class ClipboardClassificationDetecting {
public:
    virtual ~ClipboardClassificationDetecting() = default;

    // Classifies `text` with the enabled system classifications and the user rules in their stored order.
    virtual ClipboardClassificationResult classify(
        std::string_view text, const std::set<ClipboardSystemClassification>& enabled,
        const std::vector<ClipboardUserClassificationRule>& rules) = 0;
};

}  // namespace quorvane
