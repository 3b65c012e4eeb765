#include "system/DataDirectoryMigrator.h"

#include <sqlite3.h>

#include <cassert>
#include <ctime>

#include "base/Logger.h"
#include "l10n/L10n.h"
#include "sqlite/SQLiteDatabase.h"
#include "system/StorageDirectoryCopier.h"

namespace quorvane {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLogCategory = "DataDirectoryManager";
// The second button goes on; the first, Cancel, is the default.
constexpr std::size_t kProceedButton = 1;

bool proceeds(std::optional<std::size_t> pressed) {
    return pressed == kProceedButton;
}

bool sameDirectory(const fs::path& a, const fs::path& b) {
    std::error_code first;
    std::error_code second;
    const fs::path resolvedA = fs::weakly_canonical(a, first);
    const fs::path resolvedB = fs::weakly_canonical(b, second);
    if (first || second) return a.lexically_normal() == b.lexically_normal();
    return resolvedA == resolvedB;
}

}  // namespace

struct DataDirectoryMigrator::Flow {
    DataDirectoryManager& manager;
    MainQueue& mainQueue;
    std::function<void()> onMigrationWillStart;
    OutcomeCompletion completion;
};

DataDirectoryMigrator::DataDirectoryMigrator(DataDirectoryManager& manager,
                                             ClipboardServicesLifecycle& services, AlertPresenter& alerts,
                                             FolderPicker& folderPicker, MainQueue& mainQueue,
                                             const Clock& clock)
    : manager_(manager),
      services_(services),
      alerts_(alerts),
      folderPicker_(folderPicker),
      mainQueue_(mainQueue),
      clock_(clock) {}

DataDirectoryMigrator::~DataDirectoryMigrator() {
    stopRequested_.store(true);
    alive_.reset();
}

void DataDirectoryMigrator::finish(const FlowPtr& flow, StorageMoveOutcome outcome) {
    flow->mainQueue.post([flow, outcome] {
        flow->manager.endStorageMove();
        if (flow->completion) flow->completion(outcome);
    });
}

DataDirectoryMigrator::OutcomeCompletion DataDirectoryMigrator::reportingSwitched(Completion completion) {
    if (!completion) return nullptr;
    return [completion = std::move(completion)](StorageMoveOutcome outcome) {
        completion(outcome == StorageMoveOutcome::switched);
    };
}

DataDirectoryMigrator::FlowPtr DataDirectoryMigrator::beginFlow(std::function<void()> onMigrationWillStart,
                                                                OutcomeCompletion completion) {
    assert(mainQueue_.isMainThread());
    // A flow that fails without a copy must not show the cause of an earlier one.
    manager_.setLastStorageMoveFailureCause({});
    if (!manager_.beginStorageMove()) {
        // The running flow owns the flag; this one only reports.
        Logger::warning("Failed to start a storage move: another one is running", kLogCategory);
        mainQueue_.post([completion = std::move(completion)] {
            if (completion) completion(StorageMoveOutcome::failed);
        });
        return nullptr;
    }
    auto flow = std::make_shared<Flow>(
        Flow{manager_, mainQueue_, std::move(onMigrationWillStart), std::move(completion)});
    if (const auto fixedDirectory = manager_.storageDirectoryOverride()) {
        Logger::warning(std::string("Failed to start a storage move: ") +
                            DataDirectoryManager::storageDirectoryOverrideEnvironmentKey +
                            " sets the directory",
                        kLogCategory);
        alerts_.present(
            Alert{AlertStyle::warning,
                  L10n::text(L10nKey::storageDirectoryFixedTitle),
                  L10n::text(L10nKey::storageDirectoryFixedMessage,
                             std::string(DataDirectoryManager::storageDirectoryOverrideEnvironmentKey),
                             manager_.storageDirectoryURL().string()),
                  {L10n::text(L10nKey::ok)}},
            [flow](std::optional<std::size_t>) { finish(flow, StorageMoveOutcome::cancelled); });
        return nullptr;
    }
    return flow;
}

void DataDirectoryMigrator::changeStorageDirectory(std::function<void()> onMigrationWillStart,
                                                   Completion completion) {
    changeStorageDirectory(std::move(onMigrationWillStart), reportingSwitched(std::move(completion)));
}

void DataDirectoryMigrator::changeStorageDirectory(std::function<void()> onMigrationWillStart,
                                                   OutcomeCompletion completion) {
    const FlowPtr flow = beginFlow(std::move(onMigrationWillStart), std::move(completion));
    if (flow) askToChangeDirectory(flow);
}

void DataDirectoryMigrator::askToChangeDirectory(const FlowPtr& flow) {
    alerts_.present(Alert{AlertStyle::warning,
                          L10n::text(L10nKey::storageChangeAlertTitle),
                          L10n::text(L10nKey::storageChangeAlertMessage),
                          {L10n::text(L10nKey::cancel), L10n::text(L10nKey::storageChooseDirectoryButton)}},
                    [this, alive = std::weak_ptr<int>(alive_), flow](std::optional<std::size_t> pressed) {
                        if (alive.expired()) return finish(flow, StorageMoveOutcome::failed);
                        if (!proceeds(pressed)) return finish(flow, StorageMoveOutcome::cancelled);
                        chooseDirectoryWithOpenPanel([this, alive, flow](std::optional<fs::path> folder) {
                            if (alive.expired()) return finish(flow, StorageMoveOutcome::failed);
                            if (!folder || folder->empty())
                                return finish(flow, StorageMoveOutcome::cancelled);
                            confirmChange(flow, *folder);
                        });
                    });
}

void DataDirectoryMigrator::chooseDirectoryWithOpenPanel(FolderPicker::Completion completion) {
    // The picker opens where the data lives now: the folder chosen last time holds the data folder.
    folderPicker_.chooseFolder(FolderPickerRequest{L10n::text(L10nKey::storagePickerTitle),
                                                   L10n::text(L10nKey::storagePickerMessage),
                                                   manager_.storageDirectoryURL().parent_path()},
                               std::move(completion));
}

std::string DataDirectoryMigrator::existingHistoryNote(const fs::path& target) const {
    const fs::path history = target / DataDirectoryManager::databaseFileName;
    std::error_code error;
    if (!fs::exists(history, error)) return {};
    std::optional<std::int64_t> count;
    std::optional<double> newest;
    try {
        // Read-only: the folder's history is only looked at, never opened for writing here.
        SQLiteDatabase db(history, SQLITE_OPEN_READONLY);
        SQLiteStatement statement = db.prepare("SELECT count(*), max(createdAt) FROM ClipboardHistoryIndex;");
        if (statement.step()) {
            count = statement.columnInt64(0);
            if (!statement.columnIsNull(1)) newest = statement.columnDouble(1);
        }
    } catch (const std::exception& failure) {
        Logger::warning(
            std::string("Failed to read the history already in ") + target.string() + ": " + failure.what(),
            kLogCategory);
    }
    if (!count) return "\n\n" + L10n::text(L10nKey::storageTargetHoldsHistoryFile);
    std::string newestText = "-";
    if (newest) {
        const auto seconds = static_cast<std::time_t>(*newest);
        std::tm local{};
        localtime_r(&seconds, &local);
        char buffer[32];
        std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M", &local);
        newestText = buffer;
    }
    if (*count == 1) return "\n\n" + L10n::text(L10nKey::storageTargetHoldsOneHistoryEntry, newestText);
    return "\n\n" + L10n::text(L10nKey::storageTargetHoldsHistory, *count, newestText);
}

void DataDirectoryMigrator::confirmChange(const FlowPtr& flow, const fs::path& chosen) {
    const fs::path folder = chosen.lexically_normal();
    const fs::path target = folder / DataDirectoryManager::dataSubdirectoryName;
    if (StorageDirectoryCopier::overlaps(manager_.storageDirectoryURL(), target))
        return refuseOverlap(flow, target);
    alerts_.present(
        Alert{AlertStyle::critical,
              L10n::text(L10nKey::storageConfirmChangeTitle),
              L10n::text(L10nKey::storageConfirmChangeMessage, target.string()) + existingHistoryNote(target),
              {L10n::text(L10nKey::cancel), L10n::text(L10nKey::storageConfirmMigrationButton)}},
        [this, alive = std::weak_ptr<int>(alive_), flow, folder, target](std::optional<std::size_t> pressed) {
            if (alive.expired()) return finish(flow, StorageMoveOutcome::failed);
            if (!proceeds(pressed)) return finish(flow, StorageMoveOutcome::cancelled);
            runMigration(flow, target, folder);
        });
}

void DataDirectoryMigrator::refuseOverlap(const FlowPtr& flow, const fs::path& target) {
    Logger::warning("Failed to start a storage move: " + target.string() + " overlaps the storage directory",
                    kLogCategory);
    alerts_.present(Alert{AlertStyle::warning,
                          L10n::text(L10nKey::storageDirectoryOverlapTitle),
                          L10n::text(L10nKey::storageDirectoryOverlapMessage, target.string(),
                                     manager_.storageDirectoryURL().string()),
                          {L10n::text(L10nKey::ok)}},
                    [flow](std::optional<std::size_t>) { finish(flow, StorageMoveOutcome::cancelled); });
}

void DataDirectoryMigrator::resetToDefaultDirectory(std::function<void()> onMigrationWillStart,
                                                    Completion completion) {
    resetToDefaultDirectory(std::move(onMigrationWillStart), reportingSwitched(std::move(completion)));
}

void DataDirectoryMigrator::resetToDefaultDirectory(std::function<void()> onMigrationWillStart,
                                                    OutcomeCompletion completion) {
    const FlowPtr flow = beginFlow(std::move(onMigrationWillStart), std::move(completion));
    if (!flow) return;
    const fs::path target = manager_.defaultBaseDirectoryURL() / DataDirectoryManager::dataSubdirectoryName;
    alerts_.present(Alert{AlertStyle::warning,
                          L10n::text(L10nKey::storageResetAlertTitle),
                          L10n::text(L10nKey::storageResetAlertMessage, manager_.displayPath(target)) +
                              existingHistoryNote(target),
                          {L10n::text(L10nKey::cancel), L10n::text(L10nKey::storageConfirmResetButton)}},
                    [this, alive = std::weak_ptr<int>(alive_), flow](std::optional<std::size_t> pressed) {
                        if (alive.expired()) return finish(flow, StorageMoveOutcome::failed);
                        if (!proceeds(pressed)) return finish(flow, StorageMoveOutcome::cancelled);
                        continueReset(flow);
                    });
}

void DataDirectoryMigrator::continueReset(const FlowPtr& flow) {
    const fs::path source = manager_.storageDirectoryURL();
    const fs::path target = manager_.defaultBaseDirectoryURL() / DataDirectoryManager::dataSubdirectoryName;
    std::error_code error;
    const bool hasHistory = fs::exists(source / DataDirectoryManager::databaseFileName, error);
    const bool folderWasChosen = manager_.activeCustomDirectoryURL() || manager_.hasStoredCustomDirectory();
    if (!hasHistory || !folderWasChosen || sameDirectory(source, target)) {
        manager_.applyCustomDirectory(std::nullopt);
        // The running services still write where the forgotten folder was.
        if (!sameDirectory(source, manager_.storageDirectoryURL())) {
            services_.tearDownClipboardServices();
            services_.buildClipboardServices();
        }
        return finish(flow, StorageMoveOutcome::switched);
    }
    if (StorageDirectoryCopier::overlaps(source, target)) return refuseOverlap(flow, target);
    runMigration(flow, target, std::nullopt);
}

void DataDirectoryMigrator::runMigration(const FlowPtr& flow, const fs::path& target,
                                         std::optional<fs::path> folder) {
    manager_.storageMoveBytesCopied().store(0);
    manager_.setStorageMoveCopying(true);
    if (flow->onMigrationWillStart) flow->onMigrationWillStart();
    services_.tearDownClipboardServices();
    migrateStorage(target, [this, alive = std::weak_ptr<int>(alive_), flow, folder](bool copied) {
        flow->manager.setStorageMoveCopying(false);
        if (alive.expired()) return finish(flow, StorageMoveOutcome::failed);
        if (copied) manager_.applyCustomDirectory(folder);
        // On failure this reopens the old directory, which the copy never changed.
        services_.buildClipboardServices();
        finish(flow, copied ? StorageMoveOutcome::switched : StorageMoveOutcome::failed);
    });
}

void DataDirectoryMigrator::migrateStorage(const fs::path& target, Completion completion) {
    manager_.setLastStorageMoveFailureCause({});
    worker_.async([this, target, completion = std::move(completion)] {
        bool copied = false;
        std::string cause;
        if (!stopRequested_.load()) {
            StorageDirectoryCopier copier(clock_, stopRequested_, &manager_.storageMoveBytesCopied());
            copied = copier.copy(manager_.storageDirectoryURL(), target);
            cause = copier.failureCause();
        }
        mainQueue_.post([this, alive = std::weak_ptr<int>(alive_), completion, copied, cause] {
            if (!alive.expired()) manager_.setLastStorageMoveFailureCause(cause);
            if (completion) completion(copied);
        });
    });
}

}  // namespace quorvane
