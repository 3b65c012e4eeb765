#pragma once

// What the advanced settings page reads and stores: text recognition, the pinyin index, the panel's
// presentation, list style and saved position, paste-back and the accessibility permission, and the search
// index card (statistics, latency figures, rebuild). Settings only the direct build uses are never written
// from another channel. The search service is asked for afresh before every statistics load and rebuild, so
// a storage move that replaced it is followed; a rebuild whose service was replaced meanwhile reports the
// index unavailable rather than success. Observers are told on the next main-queue turn. Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/CallbackList.h"
#include "platform/MainQueue.h"
#include "preferences/ClipboardOCRConfiguration.h"
#include "preferences/DirectClipboardPresentationMode.h"
#include "preferences/DistributionChannel.h"
#include "preferences/FloatingClipboardListStyle.h"
#include "search/ClipboardSearchServiceProtocol.h"
#include "system/AccessibilityPermissionStatus.h"

namespace quorvane {

class AccessibilityPermissionManagerProtocol;
class AlertPresenter;
class Clock;
class UserDefaults;

enum class AccessibilityStatusTone { positive, negative, caution, neutral };

// The accessibility card for one status.
struct AccessibilityPermissionPresentation {
    std::string statusText;
    AccessibilityStatusTone tone = AccessibilityStatusTone::neutral;
    std::string description;
    bool requestButtonVisible = false;
    std::string requestButtonTitle;
    // Also hidden where the desktop has no accessibility settings to open.
    bool openSettingsButtonVisible = false;
};

class AdvancedSettingsViewModel {
public:
    // The container's search service of the moment.
    using SearchServiceProvider = std::function<std::shared_ptr<ClipboardSearchServiceProtocol>()>;
    // Opens the index again when the service has none; answers with the rebuild of the index in use.
    using UnavailableIndexRebuilder = std::function<void(ClipboardSearchServiceProtocol::RebuildCompletion)>;

    // Everything must outlive the model; `rebuildUnavailableSearchIndex` may be empty.
    struct Dependencies {
        UserDefaults& userDefaults;
        DistributionChannel distributionChannel;
        SearchServiceProvider currentSearchService;
        UnavailableIndexRebuilder rebuildUnavailableSearchIndex;
        AccessibilityPermissionManagerProtocol& accessibilityPermissionManager;
        AlertPresenter& alerts;
        MainQueue& mainQueue;
        const Clock& clock;
        std::string appDisplayName;
    };

    // The status is read again this long after a permission request (the desktop answers late).
    static constexpr double permissionRecheckDelaySeconds = 1.0;

    explicit AdvancedSettingsViewModel(Dependencies dependencies);
    ~AdvancedSettingsViewModel();
    AdvancedSettingsViewModel(const AdvancedSettingsViewModel&) = delete;
    AdvancedSettingsViewModel& operator=(const AdvancedSettingsViewModel&) = delete;

    [[nodiscard]] Subscription observeChanges(std::function<void()> callback) {
        return changes_.subscribe(std::move(callback));
    }

    bool isDirectChannel() const { return dependencies_.distributionChannel == DistributionChannel::direct; }

    // ---- Text recognition ----
    bool imageOCREnabled() const;
    void setImageOCREnabled(bool enabled);
    ClipboardOCRConfiguration ocrConfiguration() const;
    // Nothing (an unreadable popup) stores nothing.
    void setOCRLanguageMode(std::optional<ClipboardOCRLanguageMode> mode);
    void setOCRLanguage(std::optional<ClipboardOCRLanguage> language);

    // ---- Pinyin ----
    // Only for the Chinese interface.
    bool showsPinyinIndexOption() const;
    bool pinyinIndexEnabled() const;
    void setPinyinIndexEnabled(bool enabled);

    // ---- Panel ----
    DirectClipboardPresentationMode presentationMode() const;
    // Outside the direct build stores nothing and returns centered.
    DirectClipboardPresentationMode setPresentationMode(DirectClipboardPresentationMode mode);
    FloatingClipboardListStyle floatingListStyle() const;
    // Outside the direct build stores nothing and returns standard.
    FloatingClipboardListStyle setFloatingListStyle(FloatingClipboardListStyle style);
    bool directReturnPasteEnabled() const;
    // Outside the direct build stores nothing and returns false.
    bool setDirectReturnPasteEnabled(bool enabled);
    // Removes the saved position; tells the user when the page is on screen.
    void resetPanelPosition(bool pageIsShown);

    // ---- Accessibility ----
    AccessibilityPermissionStatus accessibilityPermissionStatus() const;
    AccessibilityPermissionPresentation accessibilityPresentation() const;
    // Direct build: asks the desktop. In every channel the status is read again a second later.
    void requestAccessibilityPermission();
    void openAccessibilitySettings();

    // ---- Search index ----
    // The card's two lines; empty until the first load has answered.
    const std::string& searchIndexStatsText() const { return searchIndexStatsText_; }
    bool isRebuilding() const { return isRebuilding_; }
    // Reads statistics and metrics of the current service; an earlier load still running is dropped.
    void loadSearchIndexStats();
    // Shows "Rebuilding...", rebuilds, then shows the new statistics or "Rebuild failed: ...". Ignored while
    // a rebuild runs.
    void startSearchIndexRebuild();
    // The rebuild itself: through the current service; when that has no index, through the container's
    // fallback. Fails with "unavailable" when the service it used was replaced before it finished.
    void rebuildSearchIndex(ClipboardSearchServiceProtocol::RebuildCompletion completion);

    // "-" for nothing, one decimal below 100, none from 100.
    static std::string formatMilliseconds(std::optional<double> milliseconds);
    static std::string searchMetricsSummary(const ClipboardSearchServiceProtocol::RuntimeMetrics& metrics);
    static std::string searchIndexStatsText(const ClipboardSearchIndexStats& stats,
                                            const ClipboardSearchServiceProtocol::RuntimeMetrics& metrics,
                                            const std::optional<std::string>& rebuiltMessage, double now);

private:
    void changed();
    void loadSearchIndexStats(std::optional<std::string> rebuiltMessage);

    Dependencies dependencies_;
    std::string searchIndexStatsText_;
    bool isRebuilding_ = false;
    std::uint64_t statsGeneration_ = 0;
    Timer permissionRecheck_;
    Timer notification_;
    CallbackList<> changes_;
    // Late answers (search service, alerts) hold this weakly and do nothing once the model is gone.
    std::shared_ptr<char> lifetime_ = std::make_shared<char>();
};

}  // namespace quorvane
