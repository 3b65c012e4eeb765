#pragma once

// The two user flows that move the storage directory: change (into "QuorvaneData" of a folder the user picks)
// and reset (back to the default location). Each confirms in alerts, closes the clipboard services, copies
// the storage directory on a worker of its own, switches the stored folder only after a successful copy,
// builds the services again whatever the outcome, and reports once. The data is copied, never moved: the old
// directory stays as it was. While a flow runs, DataDirectoryManager::isStorageMoveRunning() is true and a
// second flow is refused. Call on the main queue only; completions arrive there, exactly once per call.

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/SerialQueue.h"
#include "platform/AlertPresenter.h"
#include "platform/Clock.h"
#include "platform/FolderPicker.h"
#include "platform/MainQueue.h"
#include "system/ClipboardServicesLifecycle.h"
#include "system/DataDirectoryManager.h"
#include "system/StorageMoveOutcome.h"

namespace quorvane {

class DataDirectoryMigrator {
public:
    // True when the directory was switched (or there was nothing to move); false when the user cancelled,
    // the flow was refused or the copy failed.
    using Completion = std::function<void(bool switched)>;
    // The same report, telling a cancelled flow from a failed one.
    using OutcomeCompletion = std::function<void(StorageMoveOutcome outcome)>;

    // Everything handed in must outlive the migrator.
    DataDirectoryMigrator(DataDirectoryManager& manager, ClipboardServicesLifecycle& services,
                          AlertPresenter& alerts, FolderPicker& folderPicker, MainQueue& mainQueue,
                          const Clock& clock);
    // Stops a running copy at the next file and waits for it; a flow cut short this way reports false and
    // leaves the services torn down (only at shut-down).
    ~DataDirectoryMigrator();
    DataDirectoryMigrator(const DataDirectoryMigrator&) = delete;
    DataDirectoryMigrator& operator=(const DataDirectoryMigrator&) = delete;

    // Asks, lets the user pick a folder, confirms, then copies into the folder's "QuorvaneData" and switches
    // to the folder. `onMigrationWillStart` (optional) runs right before the services close for the copy.
    void changeStorageDirectory(std::function<void()> onMigrationWillStart, Completion completion);
    void changeStorageDirectory(std::function<void()> onMigrationWillStart, OutcomeCompletion completion);
    // Asks, then copies back to the default location and forgets the chosen folder. With nothing to move
    // (no history file, no folder ever chosen, or the default is the current directory) it only forgets the
    // folder, without calling `onMigrationWillStart`.
    void resetToDefaultDirectory(std::function<void()> onMigrationWillStart, Completion completion);
    void resetToDefaultDirectory(std::function<void()> onMigrationWillStart, OutcomeCompletion completion);
    // Shows the folder picker with the storage move's title and message.
    void chooseDirectoryWithOpenPanel(FolderPicker::Completion completion);
    // Copies the current storage directory into `target` on the worker and reports the outcome on the main
    // queue. Touches neither the services nor the stored folder.
    void migrateStorage(const std::filesystem::path& target, Completion completion);
    // Waits until every copy queued so far has finished (its report may still be on the main queue).
    void waitForCopies() { worker_.drain(); }

private:
    struct Flow;
    using FlowPtr = std::shared_ptr<Flow>;

    // The flow's state, or nothing after refusing it (and then its completion is already on its way).
    FlowPtr beginFlow(std::function<void()> onMigrationWillStart, OutcomeCompletion completion);
    void askToChangeDirectory(const FlowPtr& flow);
    void confirmChange(const FlowPtr& flow, const std::filesystem::path& folder);
    void continueReset(const FlowPtr& flow);
    void refuseOverlap(const FlowPtr& flow, const std::filesystem::path& target);
    // For a confirmation: that `target` already holds a history (its entry count and newest entry) which
    // the move keeps as a backup; empty when it holds none.
    std::string existingHistoryNote(const std::filesystem::path& target) const;
    // Closes the services, copies, switches to `folder` on success and builds the services again.
    void runMigration(const FlowPtr& flow, const std::filesystem::path& target,
                      std::optional<std::filesystem::path> folder);
    // Ends the flow: clears the running flag and reports on the next turn of the main queue.
    static void finish(const FlowPtr& flow, StorageMoveOutcome outcome);
    static OutcomeCompletion reportingSwitched(Completion completion);

    DataDirectoryManager& manager_;
    ClipboardServicesLifecycle& services_;
    AlertPresenter& alerts_;
    FolderPicker& folderPicker_;
    MainQueue& mainQueue_;
    const Clock& clock_;
    // Late callbacks hold it weakly and do nothing of ours once it is gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::atomic<bool> stopRequested_{false};
    // Last: it finishes its jobs, which use the members above, before they go.
    SerialQueue worker_{"Quorvane.DataDirectoryMigrator.CopyQueue"};
};

}  // namespace quorvane
