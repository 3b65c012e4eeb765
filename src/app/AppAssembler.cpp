#include "app/AppAssembler.h"

#include <cstdlib>
#include <exception>

#include "base/Logger.h"
#include "capture/ClipboardHistoryAutoCleanupRunner.h"
#include "capture/ClipboardImageTextRecognizer.h"
#include "capture/ClipboardMonitor.h"
#include "capture/ClipboardPayloadReader.h"
#include "capture/EmptyClipboardMonitor.h"
#include "capture/SystemClipboardCopyIntentMonitor.h"
#include "classification/LocalClipboardClassificationService.h"
#include "history/ClipboardHistoryManager.h"
#include "history/ClipboardHistoryRepository.h"
#include "history/EmptyClipboardHistoryManager.h"
#include "history/EmptyClipboardHistoryRepository.h"
#include "preferences/SettingsAccessors.h"
#include "search/ClipboardSearchService.h"
#include "search/EmptyClipboardSearchService.h"
#include "searchindex/SQLiteClipboardSearchIndexStore.h"

namespace quorvane {

namespace {

constexpr const char* kCategory = "AppAssembler";
constexpr const char* kBundleIdentifierKey = "CFBundleIdentifier";

// The locale whose translated application names the user reads, as the C library resolves it.
std::string messagesLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* value = std::getenv(name); value && *value) return value;
    }
    return "C";
}

}  // namespace

// Declared in the order of the build, so destruction runs backwards: the search service drains first, the
// monitor goes before the runner and the key monitor it uses, and the index store closes last.
struct AppAssembler::BuiltServices {
    std::shared_ptr<SQLiteClipboardSearchIndexStore> indexStore;
    std::shared_ptr<ClipboardHistoryRepository> repository;
    std::unique_ptr<LocalClipboardClassificationService> classificationService;
    std::shared_ptr<ClipboardImageTextRecognizer> imageTextRecognizer;
    std::unique_ptr<SystemClipboardCopyIntentMonitor> copyIntentMonitor;
    std::unique_ptr<ClipboardHistoryAutoCleanupRunner> autoCleanupRunner;
    std::unique_ptr<ClipboardPayloadReader> payloadReader;
    std::shared_ptr<ClipboardMonitor> monitor;
    std::unique_ptr<ClipboardHistoryManager> historyManager;
    std::shared_ptr<ClipboardSearchService> searchService;
};

AppAssembler::AppAssembler(Platform platform)
    : platform_(std::move(platform)),
      ignoredAppsSettings_(platform_.applicationCatalog),
      appIdentityResolver_(platform_.applicationCatalog, nullptr, messagesLocale()) {
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
    clipboardHistoryRepository_ = std::make_shared<EmptyClipboardHistoryRepository>();
    clipboardMonitor_ = std::make_shared<EmptyClipboardMonitor>();
    clipboardHistoryManager_ = std::make_shared<EmptyClipboardHistoryManager>();
    clipboardSearchService_ = std::make_shared<EmptyClipboardSearchService>();
}

void AppAssembler::buildClipboardServices() {
    clipboardMonitor_->stopMonitoring();
    // The earlier build's files must be closed before the new one opens them (after a storage move they may
    // be the same files).
    quiesceBuiltServices();
    ignoredAppsSettings_.applyDefaultsIfNeeded(*platform_.standardDefaults);
    putNullServices();

    built_ = build();
    if (!built_) return;

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
}

std::shared_ptr<AppAssembler::BuiltServices> AppAssembler::build() {
    auto built = std::make_shared<BuiltServices>();
    DataDirectoryManager& dataDirectoryManager = platform_.dataDirectoryManager;
    try {
        dataDirectoryManager.ensureStorageDirectoryExists();
    } catch (const std::exception& error) {
        Logger::error(std::string("Failed to initialize clipboard services: ") + error.what(), kCategory);
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
                      kCategory);
    }

    try {
        built->repository = std::make_shared<ClipboardHistoryRepository>(
            dataDirectoryManager, built->indexStore, *platform_.mainQueue, platform_.notificationCenter,
            *platform_.standardDefaults, *platform_.clock);
    } catch (const std::exception& error) {
        Logger::error(std::string("Failed to initialize clipboard services: ") + error.what(), kCategory);
        return nullptr;
    }

    built->classificationService = std::make_unique<LocalClipboardClassificationService>();
    built->imageTextRecognizer = std::make_shared<ClipboardImageTextRecognizer>(
        platform_.textRecognitionEngine, *platform_.standardDefaults, std::nullopt,
        TextRecognitionLevel::accurate);
    built->copyIntentMonitor = std::make_unique<SystemClipboardCopyIntentMonitor>(platform_.keyEventMonitor);
    const std::shared_ptr<const Clock> clock = platform_.clock;
    built->autoCleanupRunner = std::make_unique<ClipboardHistoryAutoCleanupRunner>(
        built->repository, *platform_.standardDefaults, minimumCleanupInterval,
        [clock] { return clock->now(); });
    built->payloadReader =
        std::make_unique<ClipboardPayloadReader>(platform_.imageProbe, platform_.imageDecoder);
    built->monitor = std::make_shared<ClipboardMonitor>(
        ClipboardMonitor::Platform{platform_.pasteboard, *built->payloadReader,
                                   platform_.frontmostApplicationProvider, *platform_.mainQueue,
                                   *platform_.clock, ownBundleIdentifier()},
        ClipboardMonitor::Services{built->repository, built->imageTextRecognizer,
                                   *built->classificationService, *platform_.standardDefaults,
                                   *built->autoCleanupRunner, distributionChannel(),
                                   platform_.accessibilityPermissionManager, *built->copyIntentMonitor},
        ClipboardMonitorCadence{0.25, 0.03, 1.2, std::nullopt});

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

void AppAssembler::quiesceBuiltServices() {
    if (!built_) return;
    const std::shared_ptr<BuiltServices> built = std::move(built_);
    built->monitor->stopMonitoring();
    // The search service first: a rebuild it still runs must not read a history that is closing.
    if (built->searchService) built->searchService->drain();
    built->repository->quiesce();
}

void AppAssembler::tearDownClipboardServices() {
    clipboardMonitor_->stopMonitoring();
    quiesceBuiltServices();
    putNullServices();
}

void AppAssembler::shutdown() {
    tearDownClipboardServices();
}

void AppAssembler::waitForSearchIndexJobs() {
    if (built_) built_->repository->waitForSearchIndexJobs();
}

}  // namespace quorvane
