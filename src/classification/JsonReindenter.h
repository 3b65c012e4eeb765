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

    // The laid-out document, or the reader's fault when the text is not a JSON object or array.
    static std::variant<std::string, JsonReader::Error> reindent(std::string_view text);
};

}  // namespace quorvane
