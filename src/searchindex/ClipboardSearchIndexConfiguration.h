#pragma once

// The limits and the pinyin switch with which source documents become index rows. A plain value.

#include <cstdint>

namespace quorvane {

struct ClipboardSearchIndexConfiguration {
    // Characters (grapheme clusters), never bytes: they bound the text handed to the index per entry.
    static constexpr std::int64_t defaultTextCharacterLimit = 8192;
    static constexpr std::int64_t defaultImageOCRCharacterLimit = 4096;

    std::int64_t textCharacterLimit = defaultTextCharacterLimit;
    std::int64_t imageOCRCharacterLimit = defaultImageOCRCharacterLimit;
    bool isPinyinIndexEnabled = false;
};

}  // namespace quorvane
