#include "settings/model/StorageSettingsViewModel.h"

#include <cassert>
#include <exception>

#include "base/Logger.h"
#include "base/PrivateDirectory.h"
#include "history/ClipboardHistoryRepositoryProtocol.h"
#include "l10n/L10n.h"
#include "panel/model/ClipboardDragFiles.h"
#include "settings/model/StorageSettingsFormatting.h"
#include "system/StorageBackups.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLogCategory = "StorageSettings";
// The confirmation's buttons: Cancel first, so Escape and Return never clear by accident.
constexpr std::size_t kClearButton = 1;

void ignoreAnswer(std::optional<std::size_t>) {}

std::string loadingText() {
    return L10n::text(L10nKey::storageOverviewLoading);
}

}  // namespace

StorageSettingsViewModel::DirectoryAction StorageSettingsViewModel::migratorChangeAction(
    DataDirectoryMigrator& migrator) {
    return [&migrator](std::function<void()> willStart, DirectoryCompletion completion) {
        migrator.changeStorageDirectory(std::move(willStart),
                                        DataDirectoryMigrator::OutcomeCompletion(std::move(completion)));
    };
}

StorageSettingsViewModel::DirectoryAction StorageSettingsViewModel::migratorResetAction(
    DataDirectoryMigrator& migrator) {
    return [&migrator](std::function<void()> willStart, DirectoryCompletion completion) {
        migrator.resetToDefaultDirectory(std::move(willStart),
                                         DataDirectoryMigrator::OutcomeCompletion(std::move(completion)));
    };
}

StorageSettingsViewModel::StorageSettingsViewModel(Services services) : services_(std::move(services)) {
    dataDirectoryPath_ = services_.dataDirectoryManager.storageDirectoryURL().string();
    std::weak_ptr<int> alive = alive_;
    historyObservation_ = services_.notificationCenter.addObserver(clipboardHistoryDidChange, [this, alive] {
        if (alive.expired()) return;
        // Bursts of changes end in one reload, and only while the page is seen.
        liveUpdateTimer_ = services_.mainQueue.postAfter(liveUpdateDebounceSeconds, [this, alive] {
            if (!alive.expired() && liveUpdates_) loadStorageUsageSummary();
        });
    });
    moveObservation_ =
        services_.notificationCenter.addObserver(storageDirectoryDidChangeNotification, [this, alive] {
            if (!alive.expired()) storageDirectoryDidChange();
        });
    loadStorageUsageSummary();
}

StorageSettingsViewModel::~StorageSettingsViewModel() {
    if (scanCancelled_) scanCancelled_->store(true);
    alive_.reset();
}

Subscription StorageSettingsViewModel::observe(std::function<void()> observer) {
    return observers_.subscribe(std::move(observer));
}

void StorageSettingsViewModel::changed() {
    if (notifyPosted_) return;
    notifyPosted_ = true;
    services_.mainQueue.post([this, alive = std::weak_ptr<int>(alive_)] {
        if (alive.expired()) return;
        notifyPosted_ = false;
        observers_.notify();
    });
}

std::string StorageSettingsViewModel::displayPath() const {
    return services_.dataDirectoryManager.displayPath(dataDirectoryPath_);
}

bool StorageSettingsViewModel::isFlowRunning() const {
    return ownMoveRunning_ || clearRunning_ || services_.dataDirectoryManager.isStorageMoveRunning();
}

bool StorageSettingsViewModel::canResetDirectory() const {
    const auto& manager = services_.dataDirectoryManager;
    return (manager.activeCustomDirectoryURL() || manager.hasStoredCustomDirectory()) && !isFlowRunning();
}

bool StorageSettingsViewModel::canClearHistory() const {
    return !isLoading_ && summary_.itemCount > 0 && !isFlowRunning();
}

std::string StorageSettingsViewModel::itemCountText() const {
    if (isMoving()) return L10n::text(L10nKey::storageMoving);
    if (isLoading_) return loadingText();
    return StorageSettingsFormatting::countText(summary_.itemCount, AppLanguage::current());
}

std::string StorageSettingsViewModel::diskUsageText() const {
    if (isMoving()) {
        return L10n::text(
            L10nKey::storageMovingBytesCopied,
            StorageSettingsFormatting::byteCountText(
                static_cast<std::int64_t>(services_.dataDirectoryManager.storageMoveBytesCopiedSoFar()),
                AppLanguage::current()));
    }
    if (isLoading_) return loadingText();
    return StorageSettingsFormatting::byteCountText(summary_.directorySizeBytes, AppLanguage::current());
}

std::string StorageSettingsViewModel::contentBreakdownText() const {
    if (isMoving()) return L10n::text(L10nKey::storageMoving);
    if (isLoading_) return loadingText();
    const AppLanguage language = AppLanguage::current();
    return L10n::text(L10nKey::storageTextImageCounts,
                      StorageSettingsFormatting::countText(summary_.textItemCount, language),
                      StorageSettingsFormatting::countText(summary_.imageItemCount, language));
}

std::string StorageSettingsViewModel::lastSavedText() const {
    if (isMoving()) return L10n::text(L10nKey::storageMoving);
    if (isLoading_) return loadingText();
    if (!summary_.lastSavedAt) return L10n::text(L10nKey::storageNoHistoryYet);
    return StorageSettingsFormatting::relativeTimeText(*summary_.lastSavedAt, services_.clock.now(),
                                                       AppLanguage::current());
}

std::string StorageSettingsViewModel::clearHistoryDescriptionText() const {
    if (isMoving()) return L10n::text(L10nKey::storageMovingDescription);
    if (isLoading_) return L10n::text(L10nKey::storageUpdatingUsage);
    return L10n::text(summary_.itemCount > 0 ? L10nKey::storageClearAllDescription
                                             : L10nKey::storageNoSavedItems);
}

void StorageSettingsViewModel::loadStorageUsageSummary() {
    assert(services_.mainQueue.isMainThread());
    const std::uint64_t generation = ++loadGeneration_;
    if (scanCancelled_) scanCancelled_->store(true);
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    scanCancelled_ = cancelled;
    const bool initial = !hasLoaded_;
    if (initial && !isLoading_) {
        isLoading_ = true;
        changed();
    }
    const auto directory = services_.dataDirectoryManager.storageDirectoryURL();
    auto manager = services_.historyManagerProvider ? services_.historyManagerProvider() : nullptr;
    std::weak_ptr<int> alive = alive_;
    auto counted = [this, alive, generation, initial, directory, cancelled](ClipboardHistoryCounts counts) {
        if (alive.expired() || generation != loadGeneration_) return;
        // After the first load the counts show at once; the size follows when the scan is done.
        if (!initial) {
            summary_ = StorageUsageSummary::of(counts, summary_.directorySizeBytes);
            changed();
        }
        MainQueue& mainQueue = services_.mainQueue;
        scanQueue_.async([this, alive, generation, directory, cancelled, &mainQueue, counts] {
            const std::int64_t size = calculateDirectorySize(directory, cancelled.get());
            if (cancelled->load()) return;
            mainQueue.post([this, alive, generation, size, counts] {
                if (alive.expired() || generation != loadGeneration_) return;
                finishLoad(StorageUsageSummary::of(counts, size));
            });
        });
    };
    if (!manager) {
        Logger::warning("Failed to count the clipboard history: no history manager", kLogCategory);
        services_.mainQueue.post([counted] { counted({}); });
        return;
    }
    manager->getHistoryCounts(std::move(counted));
}

void StorageSettingsViewModel::finishLoad(StorageUsageSummary summary) {
    summary_ = std::move(summary);
    hasLoaded_ = true;
    isLoading_ = false;
    changed();
}

void StorageSettingsViewModel::refresh() {
    liveUpdates_ = true;
    loadStorageUsageSummary();
}

void StorageSettingsViewModel::settingsModuleDidHide() {
    liveUpdates_ = false;
    liveUpdateTimer_.cancel();
}

void StorageSettingsViewModel::selectDirectory() {
    runDirectoryFlow(MoveKind::change);
}

void StorageSettingsViewModel::resetDirectory() {
    runDirectoryFlow(MoveKind::reset);
}

void StorageSettingsViewModel::runDirectoryFlow(MoveKind kind) {
    if (kind == MoveKind::change ? !canChangeDirectory() : !canResetDirectory()) return;
    const DirectoryAction& action =
        kind == MoveKind::change ? services_.selectDirectoryAction : services_.resetDirectoryAction;
    if (!action) return;
    ownMoveRunning_ = true;
    changed();

    // What the flow needs once it ends belongs to the shell and outlives this page.
    auto started = std::make_shared<bool>(false);
    auto willStart = [this, alive = std::weak_ptr<int>(alive_), started,
                      shellWillStart = services_.onMigrationWillStart] {
        *started = true;
        if (shellWillStart) shellWillStart();
        if (!alive.expired()) followMoveProgress();
    };
    auto completion = [this, alive = std::weak_ptr<int>(alive_), kind, started,
                       shellDidFinish = services_.onMigrationDidFinish, &alerts = services_.alerts,
                       &center = services_.notificationCenter,
                       &manager = services_.dataDirectoryManager](StorageMoveOutcome outcome) {
        // The shell first: the pages reload (on the next turn) from the services as they are afterwards,
        // never from the null ones that stood in during the copy.
        if (*started && shellDidFinish) shellDidFinish();
        if (!alive.expired()) ownMoveRunning_ = false;
        center.post(storageDirectoryDidChangeNotification);
        if (outcome == StorageMoveOutcome::cancelled) return;
        const std::string path = manager.displayPath(manager.storageDirectoryURL());
        const bool changing = kind == MoveKind::change;
        Alert alert;
        if (outcome == StorageMoveOutcome::switched) {
            alert = Alert{AlertStyle::informational,
                          L10n::text(changing ? L10nKey::storageLocationChangedTitle
                                              : L10nKey::storageLocationResetTitle),
                          L10n::text(changing ? L10nKey::storageLocationChangedMessage
                                              : L10nKey::storageLocationResetMessage,
                                     path),
                          {L10n::text(L10nKey::ok)}};
        } else {
            std::string message = L10n::text(changing ? L10nKey::storageChangeLocationFailedMessage
                                                      : L10nKey::storageResetLocationFailedMessage);
            // The system's own words say more than a guess at permissions (a full or read-only disk).
            if (const std::string& cause = manager.lastStorageMoveFailureCause(); !cause.empty())
                message = L10n::text(L10nKey::storageMoveFailedCause, cause) + "\n" + message;
            alert = Alert{AlertStyle::warning,
                          L10n::text(changing ? L10nKey::storageChangeLocationFailedTitle
                                              : L10nKey::storageResetLocationFailedTitle),
                          message,
                          {L10n::text(L10nKey::ok)}};
        }
        alerts.present(alert, ignoreAnswer);
    };
    action(std::move(willStart), std::move(completion));
}

bool StorageSettingsViewModel::isMoving() const {
    return services_.dataDirectoryManager.isStorageMoveCopying();
}

void StorageSettingsViewModel::followMoveProgress() {
    changed();
    if (!isMoving()) return;
    // The figures of the closed services would read as an empty history; the copy's progress shows instead.
    progressTimer_ = services_.mainQueue.postAfter(moveProgressIntervalSeconds,
                                                   [this, alive = std::weak_ptr<int>(alive_)] {
                                                       if (!alive.expired()) followMoveProgress();
                                                   });
}

void StorageSettingsViewModel::storageDirectoryDidChange() {
    dataDirectoryPath_ = services_.dataDirectoryManager.storageDirectoryURL().string();
    changed();
    loadStorageUsageSummary();
}

void StorageSettingsViewModel::setClearRunning(bool running) {
    clearRunning_ = running;
    changed();
}

void StorageSettingsViewModel::clearHistory() {
    if (!canClearHistory()) return;
    setClearRunning(true);
    // Backups left by moves hold old texts too: the confirmation names them, and they go with the history.
    const fs::path folder = dataDirectoryPath_;
    const StorageBackups::Summary backups = StorageBackups::summarize(folder);
    std::string message = L10n::text(L10nKey::storageClearAllConfirmMessage);
    if (backups.count > 0) {
        const AppLanguage language = AppLanguage::current();
        message += "\n\n" + L10n::text(L10nKey::storageClearAllBackupsNote,
                                       StorageSettingsFormatting::countText(backups.count, language),
                                       StorageSettingsFormatting::byteCountText(backups.bytes, language));
    }
    const Alert confirmation{AlertStyle::warning,
                             L10n::text(L10nKey::storageClearAllConfirmTitle),
                             message,
                             {L10n::text(L10nKey::cancel), L10n::text(L10nKey::storageClearHistoryButton)}};
    services_.alerts.present(confirmation, [this, folder, alive = std::weak_ptr<int>(alive_)](
                                               std::optional<std::size_t> pressed) {
        if (alive.expired()) return;
        if (pressed != kClearButton) return setClearRunning(false);
        std::optional<std::string> failure;
        auto manager = services_.historyManagerProvider ? services_.historyManagerProvider() : nullptr;
        if (!manager) {
            failure = "the history store is not open";
            Logger::error("Failed to clear clipboard history: " + *failure, kLogCategory);
        } else {
            try {
                manager->runWithCaptureSuspended([&] { failure = manager->tryClearHistory(); });
            } catch (const std::exception& error) {
                failure = error.what();
                Logger::error(std::string("Failed to clear clipboard history: ") + error.what(),
                              kLogCategory);
            }
        }
        if (!failure && !StorageBackups::removeAll(folder).empty()) {
            failure = L10n::text(L10nKey::storageClearBackupsLeft);
        }
        // What "Open with" and drag-out wrote holds cleared texts too.
        bool temporaryFilesLeft = false;
        try {
            temporaryFilesLeft = !removeAllItemFiles(temporaryFilesFolder_ ? temporaryFilesFolder_()
                                                                           : privateRuntimeDirectory())
                                      .empty();
        } catch (const std::system_error&) {
            // No private folder to be had: nothing was ever written there.
        }
        if (!failure && temporaryFilesLeft) failure = L10n::text(L10nKey::storageClearTemporaryFilesLeft);
        setClearRunning(false);
        loadStorageUsageSummary();
        if (failure) {
            services_.alerts.present(Alert{AlertStyle::warning,
                                           L10n::text(L10nKey::storageClearHistoryFailedTitle),
                                           *failure,
                                           {L10n::text(L10nKey::ok)}},
                                     ignoreAnswer);
        } else {
            services_.alerts.present(Alert{AlertStyle::informational,
                                           L10n::text(L10nKey::storageHistoryClearedTitle),
                                           L10n::text(L10nKey::storageHistoryClearedMessage, displayPath()),
                                           {L10n::text(L10nKey::ok)}},
                                     ignoreAnswer);
        }
    });
}

std::string StorageSettingsViewModel::storageRefusalText() const {
    return storageRefusalText(services_.dataDirectoryManager);
}

std::string StorageSettingsViewModel::storageRefusalMenuTitle(
    const DataDirectoryManager& dataDirectoryManager) {
    const auto& refusal = dataDirectoryManager.storageRefusal();
    if (!refusal) return {};
    return L10n::text(L10nKey::storageRefusedMenuTitle, dataDirectoryManager.displayPath(refusal->path()));
}

std::string StorageSettingsViewModel::storageRefusalText(const DataDirectoryManager& dataDirectoryManager) {
    const auto& refusal = dataDirectoryManager.storageRefusal();
    if (!refusal) return {};
    const std::string path = dataDirectoryManager.displayPath(refusal->path());
    switch (refusal->problem()) {
        case StoragePrivacyError::Problem::foreignOwner:
            return L10n::text(L10nKey::storageRefusedForeignOwner, path);
        case StoragePrivacyError::Problem::writableByOthers:
            return L10n::text(L10nKey::storageRefusedWritableByOthers, path);
        case StoragePrivacyError::Problem::modeNotChanged:
            break;
    }
    return L10n::text(L10nKey::storageRefusedNotPrivate, path);
}

void StorageSettingsViewModel::showInFileManager() {
    services_.dataDirectoryManager.revealInFileManager();
}

}  // namespace quorvane
