#pragma once

// Lays out one JSON document for reading: one member or element per line, two spaces per level,
// `"key" : value`, `{}` and `[]` for empty containers. Strings and numbers are kept exactly as written and
// keys stay in input order. One pass, bounded nesting; safe from any thread.

#include <string>
#include <string_view>
#include <variant>

#include "classification/JsonReader.h"

namespace quorvane {

class JsonReindenter {
public:
    JsonReindenter() = delete;

    // Deeply nested documents indent every line by up to two spaces per level; beyond this many bytes per
    // input byte the layout is refused rather than filling memory.
    static constexpr std::size_t kMaxGrowth = 16;

    // The output would exceed kMaxGrowth times the input (plus a small allowance).
    struct TooLarge {
        friend bool operator==(const TooLarge&, const TooLarge&) = default;
    };

    // The laid-out document, the reader's fault when the text is not a JSON object or array, or TooLarge.
    static std::variant<std::string, JsonReader::Error, TooLarge> reindent(std::string_view text);
};

}  // namespace quorvane
