#include "capture/ClipboardHistoryAutoCleanupRunner.h"

#include <string>
#include <utility>

#include "base/Logger.h"
#include "preferences/SettingsAccessors.h"

namespace quorvane {

ClipboardHistoryAutoCleanupRunner::ClipboardHistoryAutoCleanupRunner(
    std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository, UserDefaults& userDefaults,
    double minimumCleanupInterval, DateProvider dateProvider)
    : repository_(std::move(repository)),
      userDefaults_(userDefaults),
      minimumCleanupInterval_(minimumCleanupInterval),
      dateProvider_(std::move(dateProvider)) {}

std::int64_t ClipboardHistoryAutoCleanupRunner::runIfNeeded(ClipboardContentType contentType, bool force) {
    const Date now = dateProvider_();
    const ClipboardHistoryAutoCleanupPolicy policy = contentType == ClipboardContentType::image
                                                         ? imageAutoCleanupPolicy(userDefaults_)
                                                         : textAutoCleanupPolicy(userDefaults_);
    const std::optional<double> period = retentionPeriod(policy);
    if (!period) return 0;
    const Date cutoff = now.addingTimeInterval(-*period);

    if (!force) {
        auto last = lastCleanupDatesByContentType_.find(contentType);
        if (last != lastCleanupDatesByContentType_.end() &&
            now.timeIntervalSince(last->second) < minimumCleanupInterval_) {
            return 0;
        }
    }

    const std::int64_t deleted = repository_->deleteExpiredItems(cutoff, contentType);
    lastCleanupDatesByContentType_.insert_or_assign(contentType, now);
    if (deleted >= 1) {
        Logger::info("Auto-cleaned " + std::to_string(deleted) + " " + std::string(rawValue(contentType)) +
                         " history items",
                     "ClipboardAutoCleanup");
    }
    return deleted;
}

std::optional<Date> ClipboardHistoryAutoCleanupRunner::lastCleanupDate(
    ClipboardContentType contentType) const {
    auto found = lastCleanupDatesByContentType_.find(contentType);
    if (found == lastCleanupDatesByContentType_.end()) return std::nullopt;
    return found->second;
}

}  // namespace quorvane
