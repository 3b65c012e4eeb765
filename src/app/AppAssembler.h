#pragma once

// The one service container of the process: owns the clipboard services (storage directory, index store,
// history repository, capture, history manager, search service), builds them in a fixed order with a null
// object for every failure, tears them down for a storage move and quiesces them at termination. Platform
// services come in through the constructor, so tests build it over the in-memory doubles.
// Main thread only.

#include <memory>
#include <string>

#include "capture/ClipboardMonitorProtocol.h"
#include "history/ClipboardHistoryManagerProtocol.h"
#include "history/ClipboardHistoryRepositoryProtocol.h"
#include "platform/ApplicationCatalog.h"
#include "platform/Clock.h"
#include "platform/FrontmostApplicationProvider.h"
#include "platform/ImageDecoder.h"
#include "platform/ImageProbe.h"
#include "platform/ImageTextRecognizer.h"
#include "platform/KeyEventMonitor.h"
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
        const Pasteboard& pasteboard;
        const ImageProbe& imageProbe;
        const ImageDecoder& imageDecoder;
        const FrontmostApplicationProvider& frontmostApplicationProvider;
        ImageTextRecognizer& textRecognitionEngine;
        KeyEventMonitor& keyEventMonitor;
        AppEnvironment appEnvironment;
    };

    static constexpr const char* searchIndexFileName = "clipboard_search.sqlite";
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

private:
    struct BuiltServices;

    void putNullServices();
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
};

}  // namespace quorvane
