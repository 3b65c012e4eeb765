#pragma once

// Comparison of UTF-8 texts ignoring letter case, by full Unicode case folding (so "STRASSE" equals
// "straße"). Used where identifiers and application names match regardless of case. Safe from any thread.

#include <string_view>

namespace quorvane {

bool equalIgnoringCase(std::string_view left, std::string_view right);

}  // namespace quorvane
