#pragma once

// How long entries of one content type are kept before the retention clean-up deletes them. Stored in the
// settings by raw value, one choice for text and one for images. Plain value, safe from any thread.

#include <array>
#include <optional>
#include <string_view>

namespace quorvane {

enum class ClipboardHistoryAutoCleanupPolicy { never, oneDay, sevenDays, thirtyDays, ninetyDays };

inline constexpr std::array allClipboardHistoryAutoCleanupPolicies = {
    ClipboardHistoryAutoCleanupPolicy::never,      ClipboardHistoryAutoCleanupPolicy::oneDay,
    ClipboardHistoryAutoCleanupPolicy::sevenDays,  ClipboardHistoryAutoCleanupPolicy::thirtyDays,
    ClipboardHistoryAutoCleanupPolicy::ninetyDays,
};

// The case name, such as "sevenDays".
std::string_view rawValue(ClipboardHistoryAutoCleanupPolicy policy);
// The policy with exactly that raw value, or nothing.
std::optional<ClipboardHistoryAutoCleanupPolicy> clipboardHistoryAutoCleanupPolicyFromRawValue(
    std::string_view rawValue);
// Seconds an entry is kept; nothing for never.
std::optional<double> retentionPeriod(ClipboardHistoryAutoCleanupPolicy policy);

}  // namespace quorvane
