#pragma once

// Random (version 4) identifiers in their usual textual form, upper-case:
// "E621E1F8-C36C-495A-93FC-0C247A3E6E5F". Safe from any thread.

#include <string>
#include <string_view>

namespace quorvane {

std::string makeUuidString();
// True for the textual form above, in either case.
bool isUuidString(std::string_view text);

}  // namespace quorvane
