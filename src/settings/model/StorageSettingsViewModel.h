#pragma once

// The storage page's state and flows: where the history lives, what it holds (counted from the history
// manager, the directory's size scanned on a worker of its own), moving the storage directory, clearing the
// history and showing the folder in the file manager. Observers are told on the next main-queue turn after a
// change. Main thread only.
//
// A directory flow belongs to the shell, not to the page: it holds copies of the shell's two migration
// callbacks and the alert presenter, so a page rebuilt meanwhile (a language change) neither loses the
// rebuild of the services nor the result alert. Every page hears the end of a move through
// storageDirectoryDidChangeNotification and reloads from the services as they are then.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/CallbackList.h"
#include "base/SerialQueue.h"
#include "history/ClipboardHistoryManagerProtocol.h"
#include "platform/AlertPresenter.h"
#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "settings/model/StorageUsageSummary.h"
#include "system/DataDirectoryManager.h"
#include "system/DataDirectoryMigrator.h"
#include "system/StorageMoveOutcome.h"

namespace quorvane {

class StorageSettingsViewModel {
public:
    // The history manager in force now; asked anew for every load and every clear.
    using HistoryManagerProvider = std::function<std::shared_ptr<ClipboardHistoryManagerProtocol>()>;
    using DirectoryCompletion = std::function<void(StorageMoveOutcome)>;
    // Runs a storage move (DataDirectoryMigrator's change or reset flow): calls its first argument right
    // before the services close for the copy, and the completion once, on the main queue.
    using DirectoryAction =
        std::function<void(std::function<void()> onMigrationWillStart, DirectoryCompletion)>;

    // Posted after a move flow ended, whatever its outcome, once the shell has had its callback.
    static constexpr const char* storageDirectoryDidChangeNotification = "Quorvane.StorageDirectoryDidChange";
    // History changes arriving closer together than this cause one reload.
    static constexpr double liveUpdateDebounceSeconds = 0.25;
    // How often the page shows a running move's progress.
    static constexpr double moveProgressIntervalSeconds = 0.5;

    struct Services {
        DataDirectoryManager& dataDirectoryManager;
        HistoryManagerProvider historyManagerProvider;
        DirectoryAction selectDirectoryAction;
        DirectoryAction resetDirectoryAction;
        AlertPresenter& alerts;
        NotificationCenter& notificationCenter;
        MainQueue& mainQueue;
        const Clock& clock;
        // The shell's: close the clipboard services / build them again. Either may be empty.
        std::function<void()> onMigrationWillStart;
        std::function<void()> onMigrationDidFinish;
    };

    // The migrator's change and reset flows as directory actions; `migrator` must outlive them.
    static DirectoryAction migratorChangeAction(DataDirectoryMigrator& migrator);
    static DirectoryAction migratorResetAction(DataDirectoryMigrator& migrator);

    // Reads the directory, subscribes to history changes and starts the first load. Everything referenced
    // in `services` must outlive the view model, and the alert presenter and notification center also any
    // move flow it started.
    explicit StorageSettingsViewModel(Services services);
    // Stops a running scan at its next file.
    ~StorageSettingsViewModel();
    StorageSettingsViewModel(const StorageSettingsViewModel&) = delete;
    StorageSettingsViewModel& operator=(const StorageSettingsViewModel&) = delete;

    // Called on the main queue after any change of the state below.
    [[nodiscard]] Subscription observe(std::function<void()> observer);

    const std::string& dataDirectoryPath() const { return dataDirectoryPath_; }
    // The path with the home directory written "~".
    std::string displayPath() const;
    const StorageUsageSummary& storageUsageSummary() const { return summary_; }
    // True only until the first load finishes; later loads keep the previous figures on screen.
    bool isLoadingStorageUsageSummary() const { return isLoading_; }
    bool hasLoadedStorageUsageSummary() const { return hasLoaded_; }
    bool isLiveUpdatesEnabled() const { return liveUpdates_; }
    // True from the start of a move or clear flow to its completion, also for a move another page started:
    // the three buttons are disabled meanwhile.
    bool isFlowRunning() const;
    // A folder is chosen (in force, or stored) and no flow runs.
    bool canResetDirectory() const;
    bool canChangeDirectory() const { return !isFlowRunning(); }
    // Loaded, at least one entry, and no flow running.
    bool canClearHistory() const;

    // True while a move copies the files: the figures then show the move ("Moving…", bytes copied), not
    // the closed services' empty history.
    bool isMoving() const;

    // The figures as shown ("Loading..." while loading).
    std::string itemCountText() const;
    std::string diskUsageText() const;
    std::string contentBreakdownText() const;
    std::string lastSavedText() const;
    std::string clearHistoryDescriptionText() const;
    // Why the history was not opened in the storage folder (it is not this user's alone); empty when it was.
    std::string storageRefusalText() const;
    static std::string storageRefusalText(const DataDirectoryManager& dataDirectoryManager);
    // The same, short enough for a menu line that names the folder; empty when it was opened.
    static std::string storageRefusalMenuTitle(const DataDirectoryManager& dataDirectoryManager);

    // Counts the history and scans the directory again; the running load, if any, is dropped.
    void loadStorageUsageSummary();
    // The page became visible: live updates on, then a load.
    void refresh();
    // The page was hidden: live updates off; a running load still publishes.
    void settingsModuleDidHide();

    // The two move flows. On completion: the shell's did-finish callback (when will-start ran), the page
    // reloads, and an alert says how it went (none for a cancelled flow). Ignored while a flow runs.
    void selectDirectory();
    void resetDirectory();
    // Asks, then clears through the current manager with capture suspended, reloads, and tells the outcome:
    // "Clipboard History Cleared" only when the clear happened, else a warning with the reason.
    void clearHistory();
    void showInFileManager();
    // The private folder where "Open with" and drag-out leave their files, which a clear removes;
    // privateRuntimeDirectory() unless set.
    void setTemporaryFilesFolder(std::function<std::filesystem::path()> folder) {
        temporaryFilesFolder_ = std::move(folder);
    }

private:
    enum class MoveKind { change, reset };

    void runDirectoryFlow(MoveKind kind);
    void storageDirectoryDidChange();
    // Tells the observers now and again while a move copies, until it ends.
    void followMoveProgress();
    void finishLoad(StorageUsageSummary summary);
    void setClearRunning(bool running);
    void changed();

    Services services_;
    std::function<std::filesystem::path()> temporaryFilesFolder_;
    std::string dataDirectoryPath_;
    StorageUsageSummary summary_ = StorageUsageSummary::empty();
    bool isLoading_ = false;
    bool hasLoaded_ = false;
    bool liveUpdates_ = false;
    bool ownMoveRunning_ = false;
    bool clearRunning_ = false;
    // Each load takes the next number; a result that is not the latest load's is dropped.
    std::uint64_t loadGeneration_ = 0;
    std::shared_ptr<std::atomic<bool>> scanCancelled_;
    bool notifyPosted_ = false;
    Timer liveUpdateTimer_;
    Timer progressTimer_;
    CallbackList<> observers_;
    NotificationObservation historyObservation_;
    NotificationObservation moveObservation_;
    // Late callbacks hold it weakly and do nothing once the view model is gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    // Last: its jobs finish before the members above go.
    SerialQueue scanQueue_{"Quorvane.StorageSettings.ScanQueue"};
};

}  // namespace quorvane
