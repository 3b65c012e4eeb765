#pragma once

// Standard base64 (RFC 4648, with padding). Pure functions, safe from any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

std::string base64Encode(const std::vector<std::uint8_t>& bytes);
// Returns nothing when `text` is not valid padded base64.
std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text);

}  // namespace quorvane
