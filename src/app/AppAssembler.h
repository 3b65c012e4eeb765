#pragma once

// The one service container of the process: owns the clipboard services (storage directory, index store,
// history repository, capture, history manager, search service), builds them in a fixed order with a null
// object for every failure, tears them down for a storage move and quiesces them at termination. Platform
// services come in through the constructor, so tests build it over the in-memory doubles.
// Main thread only.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/model/AppUpdateManaging.h"
#include "capture/ClipboardMonitorProtocol.h"
#include "history/ClipboardHistoryManagerProtocol.h"
#include "history/ClipboardHistoryRepositoryProtocol.h"
#include "hotkeys/model/HotkeyManager.h"
#include "panel/model/ClipboardPanelCoordinator.h"
#include "platform/ApplicationCatalog.h"
#include "platform/Clock.h"
#include "platform/FrontmostApplicationProvider.h"
#include "platform/HotkeyRegistrar.h"
#include "platform/ImageDecoder.h"
#include "platform/ImageProbe.h"
#include "platform/ImageTextRecognizer.h"
#include "platform/KeyEventMonitor.h"
#include "platform/LaunchAtLoginManaging.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/Pasteboard.h"
#include "platform/UserDefaults.h"
#include "preferences/AppEnvironment.h"
#include "preferences/ClipboardIgnoredAppsSettings.h"
#include "preferences/DistributionChannel.h"
#include "search/ClipboardSearchServiceProtocol.h"
#include "searchindex/ClipboardAppIdentityResolver.h"
#include "system/AccessibilityPermissionManagerProtocol.h"
#include "system/ClipboardServicesLifecycle.h"
#include "system/DataDirectoryManager.h"

namespace quorvane {

class WindowManager;

class AppAssembler : public ClipboardServicesLifecycle {
public:
    // What the container takes from the desktop. Everything must outlive the container.
    struct Platform {
        std::shared_ptr<UserDefaults> standardDefaults;
        std::shared_ptr<MainQueue> mainQueue;
        std::shared_ptr<const Clock> clock;
        NotificationCenter& notificationCenter;
        DataDirectoryManager& dataDirectoryManager;
        // The process-wide one; the container never builds another.
        const AccessibilityPermissionManagerProtocol& accessibilityPermissionManager;
        const ApplicationCatalog& applicationCatalog;
        // Capture reads it; the panels write confirmed entries back to it.
        Pasteboard& pasteboard;
        const ImageProbe& imageProbe;
        const ImageDecoder& imageDecoder;
        const FrontmostApplicationProvider& frontmostApplicationProvider;
        ImageTextRecognizer& textRecognitionEngine;
        KeyEventMonitor& keyEventMonitor;
        AppEnvironment appEnvironment;
        // The shell's desktop services. Without a registrar no hot key is grabbed; without a launch-at-login
        // manager its status is unknown and nothing can be switched.
        HotkeyRegistrar* hotkeyRegistrar = nullptr;
        std::shared_ptr<LaunchAtLoginManaging> launchAtLoginManager = nullptr;
    };

    // The windows other parts of the application build, made lazily on first request (AppWindows fills
    // these). A slot still empty builds nothing.
    struct WindowFactories {
        // The clipboard panel presentation the hot key shows (centred or floating), and every presentation
        // that may be visible; either may give null for a presentation not built.
        std::function<ClipboardPanelControlling*()> activeClipboardPanelController;
        std::function<std::vector<ClipboardPanelControlling*>()> allClipboardPanelControllers;
        std::function<void(const std::optional<std::string>& module)> showSettings;
        std::function<void()> showOnboarding;
        std::function<void()> showClassification;
    };

    static constexpr const char* searchIndexFileName = "clipboard_search.sqlite";
    // Pictures a stop left waiting for text recognition.
    static constexpr const char* recognitionBacklogFileName = "clipboard_recognition_backlog";
    static constexpr double minimumCleanupInterval = 3600;

    // Puts the null objects in place, then builds the clipboard services.
    explicit AppAssembler(Platform platform);
    // Quiesces whatever is still built.
    ~AppAssembler() override;
    AppAssembler(const AppAssembler&) = delete;
    AppAssembler& operator=(const AppAssembler&) = delete;

    // (Re)builds the clipboard services after stopping and quiescing the earlier ones. Never throws: a
    // storage directory or history store that fails leaves the null objects, an index store that fails
    // leaves capture running without an index and the null search service.
    void buildClipboardServices() override;
    // Stops capture, lets the history store finish its queued index jobs and close its files, and puts null
    // objects in place of the services: for copying the storage directory.
    void tearDownClipboardServices() override;
    // At termination: stops capture, drains the search service and the index queue and closes both stores.
    void shutdown();

    // The last build was refused because another process holds the storage directory: at start-up that
    // process is the running instance, and this one ends.
    bool storageDirectoryInUse() const { return storageDirectoryInUse_; }
    // True when the history file is damaged: found so at the last build (the history was then not opened)
    // or by the open history since.
    bool isHistoryDamaged() const;

    DistributionChannel distributionChannel() const { return platform_.appEnvironment.distributionChannel(); }
    // Our own application identifier: copies made while one of our windows is active are not captured.
    std::string ownBundleIdentifier() const;

    const std::shared_ptr<ClipboardHistoryRepositoryProtocol>& clipboardHistoryRepository() const {
        return clipboardHistoryRepository_;
    }
    const std::shared_ptr<ClipboardMonitorProtocol>& clipboardMonitor() const { return clipboardMonitor_; }
    const std::shared_ptr<ClipboardHistoryManagerProtocol>& clipboardHistoryManager() const {
        return clipboardHistoryManager_;
    }
    const std::shared_ptr<ClipboardSearchServiceProtocol>& clipboardSearchService() const {
        return clipboardSearchService_;
    }
    ClipboardIgnoredAppsSettings& ignoredAppsSettings() { return ignoredAppsSettings_; }

    // Waits until the search index has taken every change queued so far (nothing when no index is built).
    void waitForSearchIndexJobs();

    // ---- Shell services ----
    // There is no update backend on this desktop: whatever the channel and its feed settings, the updater
    // offers no update command (a command that could never run is hidden, not shown disabled).
    static std::unique_ptr<AppUpdateManaging> makeAppUpdater();

    UserDefaults& standardDefaults() { return *platform_.standardDefaults; }
    MainQueue& mainQueue() { return *platform_.mainQueue; }
    const Clock& clock() const { return *platform_.clock; }
    Pasteboard& pasteboard() { return platform_.pasteboard; }
    const ApplicationCatalog& applicationCatalog() const { return platform_.applicationCatalog; }
    ImageTextRecognizer& textRecognitionEngine() { return platform_.textRecognitionEngine; }
    DataDirectoryManager& dataDirectoryManager() { return platform_.dataDirectoryManager; }
    const ClipboardAppIdentityResolver& appIdentityResolver() const { return appIdentityResolver_; }
    const AccessibilityPermissionManagerProtocol& accessibilityPermissionManager() const {
        return platform_.accessibilityPermissionManager;
    }
    WindowManager& windowManager() { return *windowManager_; }
    HotkeyManagerProtocol& hotkeyManager() { return *hotkeyManager_; }
    const AppEnvironment& appEnvironment() const { return platform_.appEnvironment; }
    AppUpdateManaging& appUpdater() { return *appUpdater_; }
    LaunchAtLoginManaging& launchAtLoginManager() { return *launchAtLoginManager_; }
    // The floating panel's caret lookup asks which program is in front.
    const FrontmostApplicationProvider& frontmostApplicationProvider() const {
        return platform_.frontmostApplicationProvider;
    }
    WindowFactories& windowFactories() { return windowFactories_; }
    // Told after every build and tear-down of the clipboard services, so holders of the old ones let go.
    std::function<void()> onClipboardServicesReplaced;
    // The one owner of the clipboard hot key, built on first use; it reaches the panels through the
    // factory slots of the moment.
    ClipboardPanelCoordinator& clipboardPanelCoordinator();
    // Set once the panel coordinator has registered the clipboard hot key; a later build registers it afresh.
    bool didStartClipboardCoordinator() const { return didStartClipboardCoordinator_; }
    void setDidStartClipboardCoordinator(bool started) { didStartClipboardCoordinator_ = started; }

    // For a search index no search service could open: rebuilds through the current search service when
    // there is a working one (no file is deleted); otherwise closes the current services, removes the index
    // files, builds the services again and rebuilds the fresh index. Answers "unavailable" while the services
    // are torn down for a move. The completion runs on the main queue.
    void rebuildUnavailableSearchIndex(ClipboardSearchServiceProtocol::RebuildCompletion completion);

private:
    struct BuiltServices;

    void putNullServices();
    // Makes the capture objects of `built` over `repository` (not started).
    void attachCapture(BuiltServices& built, std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository);
    void tearDown(bool holdCaptures);
    void startHoldingCaptures();
    // Saves what `holding` captured into the current build's history (logged when there is none).
    void replayHeldCaptures(const std::shared_ptr<BuiltServices>& holding);
    // Stops the monitor, drains the search service, then closes the history store; the built objects go once
    // their last user lets go.
    void quiesceBuiltServices();
    std::shared_ptr<BuiltServices> build();

    Platform platform_;
    ClipboardIgnoredAppsSettings ignoredAppsSettings_;
    // Lets "app:" match application names from the desktop entries, not only identifiers.
    ClipboardAppIdentityResolver appIdentityResolver_;
    std::shared_ptr<ClipboardHistoryRepositoryProtocol> clipboardHistoryRepository_;
    std::shared_ptr<ClipboardMonitorProtocol> clipboardMonitor_;
    std::shared_ptr<ClipboardHistoryManagerProtocol> clipboardHistoryManager_;
    std::shared_ptr<ClipboardSearchServiceProtocol> clipboardSearchService_;
    // The objects of the current build, in the order they were made; absent after a failure or tear-down.
    std::shared_ptr<BuiltServices> built_;
    // Capture into memory while a tear-down (a storage move) keeps the history closed.
    std::shared_ptr<BuiltServices> holding_;

    // ---- Shell services ----
    void registerClipboardHotkeyAgain();

    std::unique_ptr<WindowManager> windowManager_;
    std::unique_ptr<HotkeyRegistrar> ownHotkeyRegistrar_;  // when the platform gives none
    std::unique_ptr<HotkeyManager> hotkeyManager_;
    std::unique_ptr<AppUpdateManaging> appUpdater_;
    std::shared_ptr<LaunchAtLoginManaging> launchAtLoginManager_;
    WindowFactories windowFactories_;
    // After the hot-key manager: it releases its hot key when it goes.
    std::unique_ptr<ClipboardPanelCoordinator> clipboardPanelCoordinator_;
    bool didStartClipboardCoordinator_ = false;
    bool isTornDown_ = false;
    bool storageDirectoryInUse_ = false;
    bool historyDamagedAtOpen_ = false;
};

}  // namespace quorvane
