#pragma once

// How this build is distributed. Only the direct build starts the copy-keystroke monitor and lets the
// presentation-mode and list-style settings take effect; every subsystem receives the value from the
// application container. Plain value, safe from any thread.

#include <optional>
#include <string>
#include <string_view>

#include "platform/DefaultsValue.h"

namespace quorvane {

enum class DistributionChannel { appStore, direct, unknown };

// The information-table key that names the channel.
inline constexpr char distributionChannelInfoKey[] = "QuorvaneDistributionChannel";

// Trimmed and upper-cased: "APP_STORE" gives appStore, "DIRECT" direct, anything else (or nothing) unknown.
DistributionChannel distributionChannelFromRawString(const std::optional<std::string>& rawString);
// The channel named in an information table; a missing key or a value that is not a string gives unknown.
DistributionChannel distributionChannelFromInfoDictionary(const DefaultsValue::Dictionary& infoDictionary);

std::string_view toString(DistributionChannel channel);

}  // namespace quorvane
