#pragma once

// The heavy half of a history entry: full text, rich-text forms, image bytes, recognised text and the
// fingerprint that duplicate removal matches on. Joined to its index record by equal `id` alone.
// Created, changed and deleted only by the history store; used on the thread of the store context that read
// it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

struct ClipboardHistoryContent {
    std::string id;
    // The full text of a text entry; the title of an image entry.
    std::string content;
    // Absent and empty are different: an empty blob is still a stored value.
    std::optional<std::vector<std::uint8_t>> imageData;
    std::optional<std::string> ocrText;
    std::optional<std::vector<std::uint8_t>> richTextRTFData;
    std::optional<std::vector<std::uint8_t>> richTextHTMLData;
    // 64 lower-case hex digits; absent on entries stored without one.
    std::optional<std::string> duplicateFingerprint;

    friend bool operator==(const ClipboardHistoryContent&, const ClipboardHistoryContent&) = default;
};

}  // namespace quorvane
