#pragma once

// The whole program as the app and desktop tests build it: every platform service an in-memory double,
// settings in memory, a temporary home, and a fake clock that drives a manual run loop. A test fixture
// derives from it beside its gtest base and assembles the program in the test. Main thread only.

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/AppAssembler.h"
#include "app/AppWindows.h"
#include "app/model/AppCoordinator.h"
#include "app/model/FakeAppUpdater.h"
#include "platform/memory/FakeAlertPresenter.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryAccessibilityTrust.h"
#include "platform/memory/InMemoryActivationPolicy.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryFrontmostApplicationProvider.h"
#include "platform/memory/InMemoryHotkeyRegistrar.h"
#include "platform/memory/InMemoryImageDecoder.h"
#include "platform/memory/InMemoryImageProbe.h"
#include "platform/memory/InMemoryImageTextRecognizer.h"
#include "platform/memory/InMemoryKeyEventMonitor.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "platform/memory/InMemoryTrayHost.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "search/ClipboardSearchService.h"
#include "support/TemporaryDirectory.h"
#include "system/AccessibilityPermissionManager.h"
#include "system/DataDirectoryManager.h"

namespace quorvane::testing {

class ProgramFixture {
protected:
    // With a name, the program keeps its history in that folder of the temporary directory, named by the
    // override it reads first; without one, in the default folder below the temporary home.
    explicit ProgramFixture(std::optional<std::string> storageFolderName)
        : storageFolderName_(std::move(storageFolderName)) {
        frontmost_.setFrontmostBundleIdentifier("org.example.Editor");
    }

    std::filesystem::path home() const { return directory_ / "home"; }
    // Where the program keeps its history when it starts.
    std::filesystem::path storage() const {
        return storageFolderName_ ? directory_ / *storageFolderName_
                                  : home() / ".local/share/Quorvane/QuorvaneData";
    }
    std::filesystem::path historyFile() const { return storage() / "clipboard_history.sqlite"; }
    std::filesystem::path indexFile() const { return storage() / AppAssembler::searchIndexFileName; }

    AppAssembler::Platform platform(const AppEnvironment& environment = {},
                                    HotkeyRegistrar* hotkeyRegistrar = nullptr) {
        return {defaults_,   loop_,       clock_,      notifications_, dataDirectory_,
                permission_, catalog_,    pasteboard_, probe_,         decoder_,
                frontmost_,  recognizer_, keys_,       environment,    hotkeyRegistrar};
    }
    std::unique_ptr<AppAssembler> makeAssembler(const AppEnvironment& environment = {},
                                                HotkeyRegistrar* hotkeyRegistrar = nullptr) {
        return std::make_unique<AppAssembler>(platform(environment, hotkeyRegistrar));
    }
    AppWindows::Platform windowsPlatform() {
        return {notifications_, alerts_, activationPolicy_, permission_};
    }
    // The coordinator over `windows`, asking `assembler` for the monitor of the moment.
    std::unique_ptr<AppCoordinator> makeCoordinator(AppAssembler& assembler, AppWindows& windows) {
        return std::make_unique<AppCoordinator>(
            AppCoordinator::Services{*defaults_, *loop_, notifications_, trayHost_, updater_,
                                     [&assembler] { return assembler.clipboardMonitor(); }, [] {}, [] {}},
            windows.coordinatorWindows());
    }

    void copyText(const std::string& text) {
        pasteboard_.replaceItem({{PasteboardType::plainText, dataFromString(text)}});
    }
    // Lets the monitor poll once at its base cadence.
    void tick() { loop_->advance(0.3); }
    void copyTextAndPoll(const std::string& text) {
        copyText(text);
        tick();
    }

    // Lets the work queued so far run: the index jobs, the search requests, then the main queue.
    void runQueuedWork(AppAssembler& assembler) {
        assembler.waitForSearchIndexJobs();
        if (auto* service = dynamic_cast<ClipboardSearchService*>(assembler.clipboardSearchService().get()))
            service->drain();
        loop_->runUntilIdle();
    }
    // runQueuedWork() until `done` holds, for answers that cross the queues more than once; false when it
    // still does not after a limit generous for a busy machine.
    bool runQueuedWorkUntil(AppAssembler& assembler, const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (runQueuedWork(assembler); !done(); runQueuedWork(assembler)) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }
    // The previews the search service finds for `query`; nothing when the call failed.
    std::optional<std::vector<std::string>> search(AppAssembler& assembler, const std::string& query) {
        assembler.waitForSearchIndexJobs();
        std::optional<std::vector<std::string>> previews;
        assembler.clipboardSearchService()->search(query, 50, 0, [&](auto result) {
            if (!result.succeeded()) return;
            previews.emplace();
            for (const auto& item : result.value().items) previews->push_back(item.preview);
        });
        runQueuedWork(assembler);
        return previews;
    }

    // The single number `sql` selects from a database file opened read-only, as another program would; -1
    // when the file does not open or the statement fails.
    static std::int64_t queryNumber(const std::filesystem::path& file, const std::string& sql) {
        sqlite3* db = nullptr;
        std::int64_t value = -1;
        if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* statement = nullptr;
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
                sqlite3_step(statement) == SQLITE_ROW) {
                value = sqlite3_column_int64(statement, 0);
            }
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
        return value;
    }
    static std::int64_t historyRows(const std::filesystem::path& storage) {
        return queryNumber(storage / "clipboard_history.sqlite",
                           "SELECT count(*) FROM ClipboardHistoryIndex");
    }
    static std::int64_t indexRows(const std::filesystem::path& storage) {
        return queryNumber(storage / AppAssembler::searchIndexFileName, "SELECT count(*) FROM documents");
    }
    std::int64_t historyRows() const { return historyRows(storage()); }
    std::int64_t indexRows() const { return indexRows(storage()); }
    static bool intact(const std::filesystem::path& database) {
        return queryNumber(database,
                           "SELECT count(*) FROM pragma_integrity_check WHERE integrity_check = 'ok'") == 1;
    }

    TemporaryDirectory directory_;
    std::optional<std::string> storageFolderName_;
    FakeClock fakeClock_;
    std::shared_ptr<ManualRunLoop> loop_ = std::make_shared<ManualRunLoop>(fakeClock_);
    std::shared_ptr<const Clock> clock_{std::shared_ptr<const Clock>{}, &fakeClock_};
    std::shared_ptr<InMemoryUserDefaults> defaults_ = std::make_shared<InMemoryUserDefaults>();
    NotificationCenter notifications_{*loop_};
    RecordingWorkspaceOpener workspace_;
    DataDirectoryManager dataDirectory_{
        *defaults_, workspace_, [this](const std::string& name) -> std::optional<std::string> {
            if (name == "HOME") return home().string();
            if (name == DataDirectoryManager::storageDirectoryOverrideEnvironmentKey && storageFolderName_)
                return storage().string();
            return std::nullopt;
        }};
    InMemoryAccessibilityTrust trust_{true};
    AccessibilityPermissionManager permission_{*defaults_, *loop_, trust_, workspace_};
    InMemoryApplicationCatalog catalog_;
    InMemoryPasteboard pasteboard_;
    InMemoryImageProbe probe_;
    InMemoryImageDecoder decoder_;
    InMemoryFrontmostApplicationProvider frontmost_;
    InMemoryImageTextRecognizer recognizer_;
    InMemoryKeyEventMonitor keys_;
    InMemoryHotkeyRegistrar registrar_;
    InMemoryTrayHost trayHost_;
    FakeAppUpdater updater_{AppUpdateState{false, false, AppUpdateAvailability::idle()}};
    FakeAlertPresenter alerts_;
    InMemoryActivationPolicy activationPolicy_{ApplicationActivationPolicy::accessory};
};

}  // namespace quorvane::testing
