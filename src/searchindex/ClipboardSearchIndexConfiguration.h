#pragma once

// The limits and the pinyin switch with which source documents become index rows. A plain value.

#include <cstdint>

namespace quorvane {

struct ClipboardSearchIndexConfiguration {
    // Characters (grapheme clusters), never bytes: they bound the text handed to the index per entry.
    std::int64_t textCharacterLimit = 8192;
    std::int64_t imageOCRCharacterLimit = 4096;
    bool isPinyinIndexEnabled = false;
};

}  // namespace quorvane
