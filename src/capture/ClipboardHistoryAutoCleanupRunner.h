#pragma once

// Applies the retention settings: deletes the entries of one content type older than the chosen period.
// The monitor runs it forced for both types when monitoring starts and unforced before every capture (then at
// most once per minimum interval per type); the settings run a fresh one forced when a choice is saved.
// Main thread only.

#include <functional>
#include <memory>
#include <unordered_map>

#include "base/Date.h"
#include "history/ClipboardHistoryRepositoryProtocol.h"
#include "model/ClipboardContentType.h"
#include "platform/UserDefaults.h"

namespace quorvane {

class ClipboardHistoryAutoCleanupRunner {
public:
    using DateProvider = std::function<Date()>;

    // What the container passes: at most one unforced run per hour and content type.
    static constexpr double defaultMinimumCleanupInterval = 3600;

    ClipboardHistoryAutoCleanupRunner(std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository,
                                      UserDefaults& userDefaults, double minimumCleanupInterval,
                                      DateProvider dateProvider);
    ClipboardHistoryAutoCleanupRunner(const ClipboardHistoryAutoCleanupRunner&) = delete;
    ClipboardHistoryAutoCleanupRunner& operator=(const ClipboardHistoryAutoCleanupRunner&) = delete;

    // Deletes the expired entries of `contentType` and returns how many went. Does nothing (0) under the
    // never policy, and when not forced within the minimum interval after this runner's last run for the
    // type.
    std::int64_t runIfNeeded(ClipboardContentType contentType, bool force);

    // When this runner last ran for `contentType`, if it has.
    std::optional<Date> lastCleanupDate(ClipboardContentType contentType) const;

private:
    std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository_;
    UserDefaults& userDefaults_;
    double minimumCleanupInterval_;
    DateProvider dateProvider_;
    std::unordered_map<ClipboardContentType, Date> lastCleanupDatesByContentType_;
};

}  // namespace quorvane
