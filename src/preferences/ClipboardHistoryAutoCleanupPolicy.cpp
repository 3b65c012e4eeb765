#include "preferences/ClipboardHistoryAutoCleanupPolicy.h"

#include "base/RawValueEnum.h"

namespace quorvane {

std::string_view rawValue(ClipboardHistoryAutoCleanupPolicy policy) {
    switch (policy) {
        case ClipboardHistoryAutoCleanupPolicy::never:
            return "never";
        case ClipboardHistoryAutoCleanupPolicy::oneDay:
            return "oneDay";
        case ClipboardHistoryAutoCleanupPolicy::sevenDays:
            return "sevenDays";
        case ClipboardHistoryAutoCleanupPolicy::thirtyDays:
            return "thirtyDays";
        case ClipboardHistoryAutoCleanupPolicy::ninetyDays:
            return "ninetyDays";
    }
    return "never";
}

std::optional<ClipboardHistoryAutoCleanupPolicy> clipboardHistoryAutoCleanupPolicyFromRawValue(
    std::string_view raw) {
    return caseWithRawValue(allClipboardHistoryAutoCleanupPolicies, raw);
}

std::optional<double> retentionPeriod(ClipboardHistoryAutoCleanupPolicy policy) {
    constexpr double day = 86'400;
    switch (policy) {
        case ClipboardHistoryAutoCleanupPolicy::never:
            return std::nullopt;
        case ClipboardHistoryAutoCleanupPolicy::oneDay:
            return day;
        case ClipboardHistoryAutoCleanupPolicy::sevenDays:
            return 7 * day;
        case ClipboardHistoryAutoCleanupPolicy::thirtyDays:
            return 30 * day;
        case ClipboardHistoryAutoCleanupPolicy::ninetyDays:
            return 90 * day;
    }
    return std::nullopt;
}

}  // namespace quorvane
