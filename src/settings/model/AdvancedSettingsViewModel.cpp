#include "settings/model/AdvancedSettingsViewModel.h"

#include <cmath>
#include <cstdio>

#include "base/Logger.h"
#include "l10n/L10n.h"
#include "panel/model/ClipboardDetailMetadata.h"
#include "panel/model/ClipboardPanelPlacement.h"
#include "platform/AlertPresenter.h"
#include "platform/Clock.h"
#include "platform/UserDefaults.h"
#include "preferences/SettingsAccessors.h"
#include "search/ClipboardSearchServiceError.h"
#include "system/AccessibilityPermissionManagerProtocol.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "AdvancedSettings";

using RebuildResult = ClipboardSearchResult<ClipboardSearchRebuildResult>;

std::string errorDescription(const std::exception_ptr& error) {
    try {
        if (error) std::rethrow_exception(error);
    } catch (const std::exception& thrown) {
        return thrown.what();
    } catch (...) {
    }
    return ClipboardSearchServiceError().what();
}

bool isSearchServiceError(const std::exception_ptr& error) {
    try {
        if (error) std::rethrow_exception(error);
    } catch (const ClipboardSearchServiceError&) {
        return true;
    } catch (...) {
    }
    return false;
}

RebuildResult unavailable() {
    return RebuildResult::failure(std::make_exception_ptr(ClipboardSearchServiceError()));
}

}  // namespace

AdvancedSettingsViewModel::AdvancedSettingsViewModel(Dependencies dependencies)
    : dependencies_(std::move(dependencies)) {}

AdvancedSettingsViewModel::~AdvancedSettingsViewModel() = default;

void AdvancedSettingsViewModel::changed() {
    if (notification_.isArmed()) return;
    notification_ = dependencies_.mainQueue.postAfter(0, [this] {
        notification_ = Timer();
        changes_.notify();
    });
}

// ---- Text recognition ----

bool AdvancedSettingsViewModel::imageOCREnabled() const {
    return clipboardMonitorImageOCREnabled(dependencies_.userDefaults);
}

void AdvancedSettingsViewModel::setImageOCREnabled(bool enabled) {
    setClipboardMonitorImageOCREnabled(dependencies_.userDefaults, enabled);
    changed();
}

ClipboardOCRConfiguration AdvancedSettingsViewModel::ocrConfiguration() const {
    return clipboardOCRConfiguration(dependencies_.userDefaults);
}

void AdvancedSettingsViewModel::setOCRLanguageMode(std::optional<ClipboardOCRLanguageMode> mode) {
    if (mode) setClipboardMonitorOCRLanguageMode(dependencies_.userDefaults, *mode);
    changed();
}

void AdvancedSettingsViewModel::setOCRLanguage(std::optional<ClipboardOCRLanguage> language) {
    if (language) setClipboardMonitorOCRSpecifiedLanguage(dependencies_.userDefaults, *language);
    changed();
}

// ---- Pinyin ----

bool AdvancedSettingsViewModel::showsPinyinIndexOption() const {
    return AppLanguage::stored(dependencies_.userDefaults) == AppLanguage::simplifiedChinese;
}

bool AdvancedSettingsViewModel::pinyinIndexEnabled() const {
    return clipboardSearchPinyinIndexEnabled(dependencies_.userDefaults);
}

void AdvancedSettingsViewModel::setPinyinIndexEnabled(bool enabled) {
    // Applies to text captured from now on; nothing is indexed again.
    setClipboardSearchPinyinIndexEnabled(dependencies_.userDefaults, enabled);
    changed();
}

// ---- Panel ----

DirectClipboardPresentationMode AdvancedSettingsViewModel::presentationMode() const {
    return directClipboardPresentationMode(dependencies_.userDefaults, dependencies_.distributionChannel);
}

DirectClipboardPresentationMode AdvancedSettingsViewModel::setPresentationMode(
    DirectClipboardPresentationMode mode) {
    changed();
    return setDirectClipboardPresentationMode(dependencies_.userDefaults, dependencies_.distributionChannel,
                                              mode);
}

FloatingClipboardListStyle AdvancedSettingsViewModel::floatingListStyle() const {
    return floatingClipboardListStyle(dependencies_.userDefaults, dependencies_.distributionChannel);
}

FloatingClipboardListStyle AdvancedSettingsViewModel::setFloatingListStyle(FloatingClipboardListStyle style) {
    changed();
    return setFloatingClipboardListStyle(dependencies_.userDefaults, dependencies_.distributionChannel,
                                         style);
}

bool AdvancedSettingsViewModel::directReturnPasteEnabled() const {
    return isDirectChannel() && quorvane::directPasteReturnKeyAutoPasteEnabled(dependencies_.userDefaults);
}

bool AdvancedSettingsViewModel::setDirectReturnPasteEnabled(bool enabled) {
    changed();
    if (!isDirectChannel()) return false;
    quorvane::setDirectPasteReturnKeyAutoPasteEnabled(dependencies_.userDefaults, enabled);
    return enabled;
}

void AdvancedSettingsViewModel::resetPanelPosition(bool pageIsShown) {
    // The centred panel's saved frame; without it the panel opens in its default place.
    ClipboardPanelPlacement::forgetPosition(dependencies_.userDefaults);
    if (!pageIsShown) return;
    dependencies_.alerts.present({AlertStyle::informational,
                                  L10n::text(L10nKey::advancedPositionResetTitle),
                                  L10n::text(L10nKey::advancedPositionResetMessage),
                                  {L10n::text(L10nKey::ok)}},
                                 [](std::optional<std::size_t>) {});
}

// ---- Accessibility ----

AccessibilityPermissionStatus AdvancedSettingsViewModel::accessibilityPermissionStatus() const {
    return dependencies_.accessibilityPermissionManager.status();
}

AccessibilityPermissionPresentation AdvancedSettingsViewModel::accessibilityPresentation() const {
    AccessibilityPermissionPresentation presentation;
    const std::string& name = dependencies_.appDisplayName;
    presentation.requestButtonTitle = L10n::text(L10nKey::advancedRequestAccessibilityPermission);
    presentation.requestButtonVisible = true;
    switch (accessibilityPermissionStatus()) {
        case AccessibilityPermissionStatus::authorized:
            presentation.statusText = L10n::text(L10nKey::accessibilityStatusAuthorized);
            presentation.tone = AccessibilityStatusTone::positive;
            presentation.description = L10n::text(L10nKey::accessibilityTrustedDescription, name);
            presentation.requestButtonVisible = false;
            break;
        case AccessibilityPermissionStatus::denied:
            presentation.statusText = L10n::text(L10nKey::accessibilityStatusNotAuthorized);
            presentation.tone = AccessibilityStatusTone::negative;
            presentation.description = L10n::text(L10nKey::accessibilityNotTrustedDescription, name);
            break;
        case AccessibilityPermissionStatus::notDetermined:
            presentation.statusText = L10n::text(L10nKey::accessibilityStatusNotDetermined);
            presentation.tone = AccessibilityStatusTone::caution;
            presentation.description = L10n::text(L10nKey::accessibilityCanRequestDescription, name);
            break;
        case AccessibilityPermissionStatus::unknown:
            presentation.statusText = L10n::text(L10nKey::accessibilityStatusUnknown);
            presentation.tone = AccessibilityStatusTone::neutral;
            presentation.description = L10n::text(L10nKey::accessibilityStatusUnknownDescription);
            presentation.requestButtonTitle = L10n::text(L10nKey::advancedRecheckAccessibility);
            break;
    }
    presentation.openSettingsButtonVisible =
        presentation.requestButtonVisible &&
        dependencies_.accessibilityPermissionManager.canOpenSystemSettings();
    return presentation;
}

void AdvancedSettingsViewModel::requestAccessibilityPermission() {
    if (isDirectChannel()) dependencies_.accessibilityPermissionManager.requestPermission();
    permissionRecheck_ = dependencies_.mainQueue.postAfter(permissionRecheckDelaySeconds, [this] {
        permissionRecheck_ = Timer();
        changed();
    });
}

void AdvancedSettingsViewModel::openAccessibilitySettings() {
    if (!isDirectChannel()) return;
    dependencies_.accessibilityPermissionManager.openSystemSettings();
}

// ---- Search index ----

void AdvancedSettingsViewModel::loadSearchIndexStats() {
    loadSearchIndexStats(std::nullopt);
}

void AdvancedSettingsViewModel::loadSearchIndexStats(std::optional<std::string> rebuiltMessage) {
    const std::uint64_t generation = ++statsGeneration_;
    const std::shared_ptr<ClipboardSearchServiceProtocol> service = dependencies_.currentSearchService();
    const std::weak_ptr<char> weak = lifetime_;
    service->indexStats([this, weak, generation, service, rebuiltMessage](ClipboardSearchIndexStats stats) {
        if (weak.expired() || generation != statsGeneration_) return;
        service->runtimeMetrics([this, weak, generation, stats,
                                 rebuiltMessage](ClipboardSearchServiceProtocol::RuntimeMetrics metrics) {
            if (weak.expired() || generation != statsGeneration_) return;
            searchIndexStatsText_ = searchIndexStatsText(stats, metrics, rebuiltMessage,
                                                         dependencies_.clock.now().timeIntervalSince1970);
            changed();
        });
    });
}

void AdvancedSettingsViewModel::startSearchIndexRebuild() {
    if (isRebuilding_) return;
    isRebuilding_ = true;
    searchIndexStatsText_ = L10n::text(L10nKey::advancedRebuildingIndex);
    changed();
    rebuildSearchIndex([this, weak = std::weak_ptr<char>(lifetime_)](const RebuildResult& result) {
        if (weak.expired()) return;
        isRebuilding_ = false;
        if (!result.succeeded()) {
            const std::string description = errorDescription(result.error());
            Logger::error("Failed to rebuild the search index: " + description, kLogCategory);
            searchIndexStatsText_ = L10n::text(L10nKey::searchIndexRebuildFailed, description);
            changed();
            return;
        }
        changed();
        loadSearchIndexStats(L10n::text(L10nKey::searchIndexRebuiltDocuments, result.value().indexedCount));
    });
}

void AdvancedSettingsViewModel::rebuildSearchIndex(
    ClipboardSearchServiceProtocol::RebuildCompletion completion) {
    const std::shared_ptr<ClipboardSearchServiceProtocol> service = dependencies_.currentSearchService();
    const std::weak_ptr<char> weak = lifetime_;
    service->rebuildIndex([this, weak, service, completion](RebuildResult result) {
        if (weak.expired()) return;
        if (result.succeeded()) {
            // The index rebuilt is not the one searched any more (a storage move replaced it).
            completion(dependencies_.currentSearchService() == service ? result : unavailable());
            return;
        }
        if (!isSearchServiceError(result.error()) || !dependencies_.rebuildUnavailableSearchIndex) {
            completion(isSearchServiceError(result.error()) ? unavailable() : result);
            return;
        }
        auto reopened = std::make_shared<std::shared_ptr<ClipboardSearchServiceProtocol>>();
        dependencies_.rebuildUnavailableSearchIndex(
            [this, weak, reopened, completion](RebuildResult fallback) {
                if (weak.expired()) return;
                if (fallback.succeeded() && *reopened && dependencies_.currentSearchService() != *reopened) {
                    completion(unavailable());
                    return;
                }
                completion(fallback);
            });
        // The container has opened the index again by now; its service of this moment is the one rebuilt.
        if (!weak.expired()) *reopened = dependencies_.currentSearchService();
    });
}

std::string AdvancedSettingsViewModel::formatMilliseconds(std::optional<double> milliseconds) {
    if (!milliseconds) return "-";
    char buffer[64];
    // Both interface locales write the decimal point as ".".
    if (*milliseconds < 100) {
        std::snprintf(buffer, sizeof buffer, "%.1f", *milliseconds);
    } else {
        std::snprintf(buffer, sizeof buffer, "%.0f", *milliseconds);
    }
    return buffer;
}

std::string AdvancedSettingsViewModel::searchMetricsSummary(
    const ClipboardSearchServiceProtocol::RuntimeMetrics& metrics) {
    const auto found = metrics.find(ClipboardSearchRuntimeOperationKind::search);
    if (found == metrics.end() || found->second.sampleCount <= 0) {
        return L10n::text(L10nKey::advancedNoSearchSamples);
    }
    const ClipboardSearchRuntimeOperationMetrics& search = found->second;
    std::string line =
        L10n::text(L10nKey::searchPerformanceSummary, formatMilliseconds(search.p50Milliseconds),
                   formatMilliseconds(search.p95Milliseconds), search.sampleCount);
    if (search.failureCount >= 1)
        line += " · " + L10n::text(L10nKey::searchFailureCount, search.failureCount);
    return line;
}

std::string AdvancedSettingsViewModel::searchIndexStatsText(
    const ClipboardSearchIndexStats& stats, const ClipboardSearchServiceProtocol::RuntimeMetrics& metrics,
    const std::optional<std::string>& rebuiltMessage, double now) {
    std::string first = L10n::text(L10nKey::searchIndexDocumentCount, stats.documentCount);
    if (stats.lastRebuildAt) {
        first += " · " + L10n::text(L10nKey::searchIndexLastRebuilt,
                                    ClipboardDetailMetadata::abbreviatedRelativeTime(
                                        *stats.lastRebuildAt, Date(now), AppLanguage::current()));
    }
    if (rebuiltMessage) first += " · " + *rebuiltMessage;
    return first + "\n" + searchMetricsSummary(metrics);
}

}  // namespace quorvane
