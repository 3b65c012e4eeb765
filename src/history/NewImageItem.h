#pragma once

// What saveImageItem stores: one new image entry, created when it is saved; it never gets a classification.
// The fields without a default must be given (GCC's -Wextra names any a designated initialiser leaves out);
// the rest start empty, absent or at 0. A plain value: safe to copy across threads.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Date.h"

namespace quorvane {

struct NewImageItem {
    std::string id;
    // The entry's title; it also stands in for the content.
    std::string preview;
    std::vector<std::uint8_t> imageData;
    // Empty until text is recognised in the picture.
    std::string searchText{};
    std::optional<std::string> bundleIdentifier{};
    // Recognised text, which is what the search index reads; the monitor saves none.
    std::optional<std::string> ocrText{};
    // The usage of the entries it replaces; a negative count is stored as 0.
    std::optional<Date> lastAccessedAt{};
    std::int64_t accessCount = 0;

    friend bool operator==(const NewImageItem&, const NewImageItem&) = default;
};

}  // namespace quorvane
