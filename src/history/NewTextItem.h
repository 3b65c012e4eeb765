#pragma once

// What saveTextItem stores: one new text entry, created when it is saved. The fields without a default must
// be given (GCC's -Wextra names any a designated initialiser leaves out); the rest start absent or at 0.
// A plain value: safe to copy across threads.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Date.h"

namespace quorvane {

struct NewTextItem {
    // Both records' id; the monitor makes a new UUID string per capture.
    std::string id;
    // The entry's title.
    std::string preview;
    // What the history's own search matches; the monitor annotates the text with its pinyin.
    std::string searchText;
    // The plain text: also what duplicates are told apart by and what the search index reads.
    std::string content;
    std::optional<std::vector<std::uint8_t>> richTextRTFData{};
    std::optional<std::vector<std::uint8_t>> richTextHTMLData{};
    std::optional<std::string> bundleIdentifier{};
    std::optional<std::string> classification{};
    // The usage of the entries it replaces; a negative count is stored as 0.
    std::optional<Date> lastAccessedAt{};
    std::int64_t accessCount = 0;

    friend bool operator==(const NewTextItem&, const NewTextItem&) = default;
};

}  // namespace quorvane
