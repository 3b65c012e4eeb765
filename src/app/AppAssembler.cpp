#include "app/AppAssembler.h"

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <system_error>

#include "app/model/NoopAppUpdater.h"
#include "base/Logger.h"
#include "capture/ClipboardHistoryAutoCleanupRunner.h"
#include "capture/ClipboardImageTextRecognizer.h"
#include "capture/ClipboardMonitor.h"
#include "capture/ClipboardPayloadReader.h"
#include "capture/EmptyClipboardMonitor.h"
#include "capture/SystemClipboardCopyIntentMonitor.h"
#include "classification/LocalClipboardClassificationService.h"
#include "history/ClipboardHistoryClearRecord.h"
#include "history/ClipboardHistoryManager.h"
#include "history/ClipboardHistoryRepository.h"
#include "history/EmptyClipboardHistoryManager.h"
#include "history/EmptyClipboardHistoryRepository.h"
#include "history/HoldingClipboardHistoryRepository.h"
#include "history/store/HistoryStoreError.h"
#include "preferences/SettingsAccessors.h"
#include "search/ClipboardSearchService.h"
#include "search/ClipboardSearchServiceError.h"
#include "search/EmptyClipboardSearchService.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"
#include "system/StorageDirectoryLock.h"
#include "system/StoragePrivacy.h"
#include "ui/WindowManager.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "AppAssembler";
constexpr const char* kBundleIdentifierKey = "CFBundleIdentifier";

// The locale whose translated application names the user reads, as the C library resolves it.
std::string messagesLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* value = std::getenv(name); value && *value) return value;
    }
    return "C";
}

// Stands in when the platform gives no hot-key registrar: nothing is grabbed, every registration fails.
class NoHotkeyRegistrar final : public HotkeyRegistrar {
public:
    Result registerHotkey(std::uint16_t, std::uint64_t, std::uint32_t) override {
        return {statusNoDisplay, 0};
    }
    void unregisterHotkey(HotkeyRef) override {}
    Subscription installPressHandler(PressHandler) override { return {}; }
};

class UnavailableLaunchAtLoginManager final : public LaunchAtLoginManaging {
public:
    LaunchAtLoginStatus status() const override { return LaunchAtLoginStatus::unknown; }
    void setEnabled(bool) override { throw LaunchAtLoginManagerError(); }
};

}  // namespace

// Declared in the order of the build, so destruction runs backwards: the search service drains first, the
// monitor goes before the runner and the key monitor it uses, and the index store closes last.
struct AppAssembler::BuiltServices {
    // Held from before the files open until they are closed; released early by a tear-down.
    std::unique_ptr<StorageDirectoryLock> storageLock;
    std::shared_ptr<SQLiteClipboardSearchIndexStore> indexStore;
    std::shared_ptr<ClipboardHistoryRepository> repository;
    std::unique_ptr<LocalClipboardClassificationService> classificationService;
    std::shared_ptr<ClipboardImageTextRecognizer> imageTextRecognizer;
    std::unique_ptr<SystemClipboardCopyIntentMonitor> copyIntentMonitor;
    std::unique_ptr<ClipboardHistoryAutoCleanupRunner> autoCleanupRunner;
    std::unique_ptr<ClipboardPayloadReader> payloadReader;
    // None while capture is held during a storage move.
    std::unique_ptr<ClipboardTextRecognitionBacklog> recognitionBacklog;
    std::shared_ptr<ClipboardMonitor> monitor;
    std::unique_ptr<ClipboardHistoryManager> historyManager;
    std::shared_ptr<ClipboardSearchService> searchService;
    // Only while a storage move has closed the history: what capture saves meanwhile.
    std::shared_ptr<HoldingClipboardHistoryRepository> holdingRepository;
};

AppAssembler::AppAssembler(Platform platform)
    : platform_(std::move(platform)),
      ignoredAppsSettings_(platform_.applicationCatalog),
      appIdentityResolver_(platform_.applicationCatalog, nullptr, messagesLocale()) {
    windowManager_ = std::make_unique<WindowManager>(*platform_.standardDefaults);
    HotkeyRegistrar* registrar = platform_.hotkeyRegistrar;
    if (!registrar) {
        ownHotkeyRegistrar_ = std::make_unique<NoHotkeyRegistrar>();
        registrar = ownHotkeyRegistrar_.get();
    }
    hotkeyManager_ = std::make_unique<HotkeyManager>(HotkeyManager::defaultUserDefaultsKey, *registrar,
                                                     *platform_.standardDefaults, *platform_.mainQueue);
    appUpdater_ = makeAppUpdater();
    launchAtLoginManager_ = platform_.launchAtLoginManager
                                ? platform_.launchAtLoginManager
                                : std::make_shared<UnavailableLaunchAtLoginManager>();
    putNullServices();
    buildClipboardServices();
}

AppAssembler::~AppAssembler() {
    quiesceBuiltServices();
}

std::string AppAssembler::ownBundleIdentifier() const {
    const auto found = platform_.appEnvironment.infoDictionary.find(kBundleIdentifierKey);
    if (found == platform_.appEnvironment.infoDictionary.end()) return {};
    return found->second.stringValue().value_or("");
}

void AppAssembler::putNullServices() {
    clipboardHistoryRepository_ = std::make_shared<EmptyClipboardHistoryRepository>(platform_.mainQueue);
    clipboardMonitor_ = std::make_shared<EmptyClipboardMonitor>();
    clipboardHistoryManager_ = std::make_shared<EmptyClipboardHistoryManager>(platform_.mainQueue);
    clipboardSearchService_ = std::make_shared<EmptyClipboardSearchService>();
}

void AppAssembler::buildClipboardServices() {
    clipboardMonitor_->stopMonitoring();
    // Copies made while the services were closed go into the history that opens now.
    const std::shared_ptr<BuiltServices> holding = std::move(holding_);
    if (holding) holding->monitor->stopMonitoring();
    hotkeyManager_->unregisterAll();
    isTornDown_ = false;
    // The earlier build's files must be closed before the new one opens them (after a storage move they may
    // be the same files).
    quiesceBuiltServices();
    ignoredAppsSettings_.applyDefaultsIfNeeded(*platform_.standardDefaults);
    putNullServices();

    built_ = build();
    replayHeldCaptures(holding);
    if (!built_) {
        registerClipboardHotkeyAgain();
        if (onClipboardServicesReplaced) onClipboardServicesReplaced();
        return;
    }

    // Users share ownership of the whole build, so nothing a service refers to goes while one is in use.
    clipboardHistoryRepository_ =
        std::shared_ptr<ClipboardHistoryRepositoryProtocol>(built_, built_->repository.get());
    clipboardMonitor_ = std::shared_ptr<ClipboardMonitorProtocol>(built_, built_->monitor.get());
    clipboardHistoryManager_ =
        std::shared_ptr<ClipboardHistoryManagerProtocol>(built_, built_->historyManager.get());
    if (built_->searchService) {
        clipboardSearchService_ =
            std::shared_ptr<ClipboardSearchServiceProtocol>(built_, built_->searchService.get());
    }
    registerClipboardHotkeyAgain();
    if (onClipboardServicesReplaced) onClipboardServicesReplaced();
}

bool AppAssembler::isHistoryDamaged() const {
    if (historyDamagedAtOpen_) return true;
    const auto* repository =
        dynamic_cast<const ClipboardHistoryRepository*>(clipboardHistoryRepository_.get());
    return repository && repository->isDamaged();
}

std::shared_ptr<AppAssembler::BuiltServices> AppAssembler::build() {
    auto built = std::make_shared<BuiltServices>();
    DataDirectoryManager& dataDirectoryManager = platform_.dataDirectoryManager;
    storageDirectoryInUse_ = false;
    dataDirectoryManager.setStorageRefusal(std::nullopt);
    historyDamagedAtOpen_ = false;
    try {
        dataDirectoryManager.ensureStorageDirectoryExists();
        StoragePrivacy::ensurePrivate(dataDirectoryManager.storageDirectoryURL());
        // Before either file is opened: a second process must not touch them at all.
        built->storageLock = StorageDirectoryLock::acquire(dataDirectoryManager.storageDirectoryURL());
    } catch (const StoragePrivacyError& error) {
        dataDirectoryManager.setStorageRefusal(error);
        Logger::error(std::string("Failed to initialize clipboard services: ") + error.what(), kLogCategory);
        return nullptr;
    } catch (const std::exception& error) {
        // Only a lock held by another process means another instance; a folder that cannot be locked is an
        // ordinary failure.
        const auto* lockError = dynamic_cast<const StorageDirectoryLockError*>(&error);
        storageDirectoryInUse_ = lockError && lockError->heldElsewhere();
        Logger::error(std::string("Failed to initialize clipboard services: ") + error.what(), kLogCategory);
        return nullptr;
    }

    // A clear cut short is finished before anything reads the files; a history that still holds what the
    // user cleared is not opened.
    try {
        const auto folder = dataDirectoryManager.storageDirectoryURL();
        ClipboardHistoryClearRecord::finishPending(folder, folder / DataDirectoryManager::databaseFileName,
                                                   folder / searchIndexFileName);
    } catch (const std::exception& error) {
        Logger::error(
            std::string("Failed to initialize clipboard services: the interrupted Clear All History "
                        "could not be finished: ") +
                error.what(),
            kLogCategory);
        return nullptr;
    }

    try {
        built->indexStore = std::make_shared<SQLiteClipboardSearchIndexStore>(
            dataDirectoryManager.storageDirectoryURL() / searchIndexFileName, platform_.standardDefaults,
            platform_.clock, [this](const std::string& value, const std::vector<std::string>& known) {
                return appIdentityResolver_.resolveBundleIdentifiers(value, known);
            });
    } catch (const std::exception&) {
        Logger::error("Failed to initialize clipboard search index store, search index sync disabled",
                      kLogCategory);
    }

    try {
        built->repository = std::make_shared<ClipboardHistoryRepository>(
            dataDirectoryManager, built->indexStore, *platform_.mainQueue, platform_.notificationCenter,
            *platform_.standardDefaults, *platform_.clock);
    } catch (const HistoryStoreError& error) {
        Logger::error(std::string("Failed to initialize clipboard services: ") + error.what(), kLogCategory);
        if (error.kind() == HistoryStoreError::Kind::damaged) {
            historyDamagedAtOpen_ = true;
            // Posted, not sent: the tray and the panels listening for it are made after the first build.
            platform_.mainQueue->post([&center = platform_.notificationCenter] {
                center.post(ClipboardHistoryRepository::historyDamagedNotification);
            });
        }
        return nullptr;
    } catch (const std::exception& error) {
        Logger::error(std::string("Failed to initialize clipboard services: ") + error.what(), kLogCategory);
        return nullptr;
    }

    built->recognitionBacklog = std::make_unique<ClipboardTextRecognitionBacklog>(
        dataDirectoryManager.storageDirectoryURL() / recognitionBacklogFileName);
    attachCapture(*built, built->repository);

    built->historyManager = std::make_unique<ClipboardHistoryManager>(built->repository, built->monitor);
    built->monitor->startMonitoring(true);

    if (built->indexStore) {
        ClipboardSearchIndexConfiguration configuration;
        configuration.isPinyinIndexEnabled = clipboardSearchPinyinIndexEnabled(*platform_.standardDefaults);
        built->searchService = std::make_shared<ClipboardSearchService>(
            built->repository, built->indexStore, configuration,
            std::make_shared<LocalClipboardClassificationService>(), platform_.standardDefaults,
            platform_.mainQueue, platform_.clock);
    }
    return built;
}

void AppAssembler::attachCapture(BuiltServices& built,
                                 std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository) {
    built.classificationService = std::make_unique<LocalClipboardClassificationService>();
    built.imageTextRecognizer = std::make_shared<ClipboardImageTextRecognizer>(
        platform_.textRecognitionEngine, *platform_.standardDefaults, std::nullopt,
        TextRecognitionLevel::accurate);
    built.copyIntentMonitor = std::make_unique<SystemClipboardCopyIntentMonitor>(platform_.keyEventMonitor);
    const std::shared_ptr<const Clock> clock = platform_.clock;
    built.autoCleanupRunner = std::make_unique<ClipboardHistoryAutoCleanupRunner>(
        repository, *platform_.standardDefaults, minimumCleanupInterval, [clock] { return clock->now(); });
    built.payloadReader =
        std::make_unique<ClipboardPayloadReader>(platform_.imageProbe, platform_.imageDecoder);
    built.monitor = std::make_shared<ClipboardMonitor>(
        ClipboardMonitor::Platform{platform_.pasteboard, *built.payloadReader,
                                   platform_.frontmostApplicationProvider, *platform_.mainQueue,
                                   *platform_.clock, ownBundleIdentifier()},
        ClipboardMonitor::Services{std::move(repository), built.imageTextRecognizer,
                                   *built.classificationService, *platform_.standardDefaults,
                                   *built.autoCleanupRunner, distributionChannel(),
                                   platform_.accessibilityPermissionManager, *built.copyIntentMonitor,
                                   built.recognitionBacklog.get()},
        ClipboardMonitorCadence{0.25, 0.03, 1.2, std::nullopt});
}

void AppAssembler::startHoldingCaptures() {
    auto holding = std::make_shared<BuiltServices>();
    holding->holdingRepository = std::make_shared<HoldingClipboardHistoryRepository>(platform_.mainQueue);
    attachCapture(*holding, holding->holdingRepository);
    holding->monitor->startMonitoring(false);
    holding_ = std::move(holding);
}

void AppAssembler::replayHeldCaptures(const std::shared_ptr<BuiltServices>& holding) {
    if (!holding) return;
    holding->monitor->stopMonitoring();
    const std::size_t count = holding->holdingRepository->heldCount();
    if (count == 0) return;
    if (!built_) {
        Logger::error("Failed to keep " + std::to_string(count) +
                          " copies made during the storage move: the history could not be opened",
                      kLogCategory);
        return;
    }
    holding->holdingRepository->replayInto(*built_->repository);
    Logger::info("Stored " + std::to_string(count) + " copies made during the storage move", kLogCategory);
}

void AppAssembler::quiesceBuiltServices() {
    if (!built_) return;
    const std::shared_ptr<BuiltServices> built = std::move(built_);
    built->monitor->stopMonitoring();
    // The search service first: a rebuild it still runs must not read a history that is closing.
    if (built->searchService) built->searchService->drain();
    built->repository->quiesce();
    // The files are closed; another process (or this one on a moved directory) may have them now.
    built->storageLock.reset();
}

void AppAssembler::tearDownClipboardServices() {
    tearDown(true);
}

void AppAssembler::tearDown(bool holdCaptures) {
    clipboardMonitor_->stopMonitoring();
    hotkeyManager_->unregisterAll();
    quiesceBuiltServices();
    putNullServices();
    isTornDown_ = true;
    // A storage move closed the history; capture goes on into memory until it opens again.
    if (holdCaptures && !holding_) startHoldingCaptures();
    if (!holdCaptures) holding_.reset();
    if (onClipboardServicesReplaced) onClipboardServicesReplaced();
}

void AppAssembler::shutdown() {
    tearDown(false);
    didStartClipboardCoordinator_ = false;
}

void AppAssembler::waitForSearchIndexJobs() {
    if (built_) built_->repository->waitForSearchIndexJobs();
}

// ---- Shell services ----

std::unique_ptr<AppUpdateManaging> AppAssembler::makeAppUpdater() {
    return std::make_unique<NoopAppUpdater>();
}

ClipboardPanelCoordinator& AppAssembler::clipboardPanelCoordinator() {
    if (!clipboardPanelCoordinator_) {
        clipboardPanelCoordinator_ = std::make_unique<ClipboardPanelCoordinator>(
            [this]() -> ClipboardPanelControlling* {
                const auto& active = windowFactories_.activeClipboardPanelController;
                return active ? active() : nullptr;
            },
            [this] {
                const auto& all = windowFactories_.allClipboardPanelControllers;
                return all ? all() : std::vector<ClipboardPanelControlling*>();
            },
            *hotkeyManager_, *platform_.standardDefaults, *platform_.mainQueue);
    }
    return *clipboardPanelCoordinator_;
}

void AppAssembler::registerClipboardHotkeyAgain() {
    // The first build (from the constructor) registers nothing; the coordinator's start does. Every hot key
    // was released before the build, so the panel coordinator's record of its own is stale.
    if (didStartClipboardCoordinator_) clipboardPanelCoordinator().reregisterClipboardHotkey();
}

void AppAssembler::rebuildUnavailableSearchIndex(
    ClipboardSearchServiceProtocol::RebuildCompletion completion) {
    using Result = ClipboardSearchResult<ClipboardSearchRebuildResult>;
    const auto fail = [this, &completion](std::exception_ptr error) {
        platform_.mainQueue->post([completion, error] { completion(Result::failure(error)); });
    };
    // A storage move is running: its files must not be touched.
    if (isTornDown_) {
        return fail(std::make_exception_ptr(
            ClipboardSearchServiceError(ClipboardSearchServiceError::Code::unavailable)));
    }
    // A working search service rebuilds its own index; its files stay where they are.
    if (built_ && built_->searchService) {
        clipboardSearchService_->rebuildIndex(std::move(completion));
        return;
    }
    // No index could be opened. Close everything first, so no open store uses the files being removed.
    clipboardMonitor_->stopMonitoring();
    quiesceBuiltServices();
    putNullServices();
    ignoredAppsSettings_.applyDefaultsIfNeeded(*platform_.standardDefaults);
    try {
        platform_.dataDirectoryManager.ensureStorageDirectoryExists();
        const std::filesystem::path index =
            platform_.dataDirectoryManager.storageDirectoryURL() / searchIndexFileName;
        for (const std::filesystem::path& file : {index, std::filesystem::path(index.string() + "-shm"),
                                                  std::filesystem::path(index.string() + "-wal")}) {
            std::error_code error;
            if (!std::filesystem::exists(file, error)) continue;
            if (!std::filesystem::remove(file, error) && error)
                throw std::filesystem::filesystem_error("Failed to remove " + file.string(), file, error);
        }
    } catch (const std::exception& error) {
        Logger::error(std::string("Failed to rebuild the search index: ") + error.what(), kLogCategory);
        // The history is untouched: bring the services back as they were.
        buildClipboardServices();
        return fail(std::current_exception());
    }
    buildClipboardServices();
    if (built_ && built_->searchService) {
        clipboardSearchService_->rebuildIndex(std::move(completion));
        return;
    }
    fail(
        std::make_exception_ptr(ClipboardSearchServiceError(ClipboardSearchServiceError::Code::unavailable)));
}

}  // namespace quorvane
