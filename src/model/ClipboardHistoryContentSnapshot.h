#pragma once

// A plain copy of an entry's payload for the detail view, copying and pasting back. The record's duplicate
// fingerprint is left out. Equality covers all six fields; absent and empty blobs differ. Not hashable.
// Safe to copy across threads.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/ClipboardHistoryContent.h"

namespace quorvane {

struct ClipboardHistoryContentSnapshot {
    std::string id;
    std::string content;
    std::optional<std::vector<std::uint8_t>> richTextRTFData;
    std::optional<std::vector<std::uint8_t>> richTextHTMLData;
    std::optional<std::vector<std::uint8_t>> imageData;
    std::optional<std::string> ocrText;

    static ClipboardHistoryContentSnapshot fromModel(const ClipboardHistoryContent& model) {
        return {model.id,        model.content, model.richTextRTFData, model.richTextHTMLData,
                model.imageData, model.ocrText};
    }

    friend bool operator==(const ClipboardHistoryContentSnapshot&,
                           const ClipboardHistoryContentSnapshot&) = default;
};

}  // namespace quorvane
