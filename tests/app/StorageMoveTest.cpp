#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "app/AppAssembler.h"
#include "history/ClipboardHistoryRepository.h"
#include "platform/memory/FakeAlertPresenter.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/FakeFolderPicker.h"
#include "platform/memory/InMemoryAccessibilityTrust.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryFrontmostApplicationProvider.h"
#include "platform/memory/InMemoryImageDecoder.h"
#include "platform/memory/InMemoryImageProbe.h"
#include "platform/memory/InMemoryImageTextRecognizer.h"
#include "platform/memory/InMemoryKeyEventMonitor.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "search/ClipboardSearchService.h"
#include "support/LogCapture.h"
#include "support/TemporaryDirectory.h"
#include "system/AccessibilityPermissionManager.h"
#include "system/DataDirectoryMigrator.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using testing::LogCapture;
using testing::TemporaryDirectory;

// The single number `sql` selects from a database file opened read-only, as another program would; -1 when
// the file does not open or the statement fails.
std::int64_t queryNumber(const fs::path& file, const std::string& sql) {
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

std::set<std::string> names(const fs::path& directory) {
    std::set<std::string> result;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(directory, error))
        result.insert(entry.path().filename().string());
    return result;
}

// Whether any file below `directory` holds `needle` byte for byte, as `strings` over the folder would show.
bool anyFileHolds(const fs::path& directory, const std::string& needle) {
    for (const auto& entry : fs::recursive_directory_iterator(directory)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (bytes.find(needle) != std::string::npos) return true;
    }
    return false;
}

// The container's tear-down and build, with a look at the target right before the services reopen.
class ObservedServices final : public ClipboardServicesLifecycle {
public:
    ObservedServices(AppAssembler& assembler, fs::path target)
        : assembler_(assembler), target_(std::move(target)) {}
    void tearDownClipboardServices() override {
        assembler_.tearDownClipboardServices();
        if (afterTearDown) afterTearDown();
    }
    // Runs while the copy is about to start, the history closed.
    std::function<void()> afterTearDown;
    void buildClipboardServices() override {
        targetBeforeBuild = names(target_);
        assembler_.buildClipboardServices();
    }
    std::set<std::string> targetBeforeBuild;

private:
    AppAssembler& assembler_;
    fs::path target_;
};

class StorageMoveTest : public ::testing::Test {
protected:
    StorageMoveTest() {
        frontmost_.setFrontmostBundleIdentifier("org.example.Editor");
        fs::create_directories(chosen());
        assembler_ = std::make_unique<AppAssembler>(AppAssembler::Platform{
            defaults_, loop_, clock_, notifications_, dataDirectory_, permission_, catalog_, pasteboard_,
            probe_, decoder_, frontmost_, recognizer_, keys_, AppEnvironment{}});
        services_ = std::make_unique<ObservedServices>(*assembler_, chosenStorage());
        migrator_ = std::make_unique<DataDirectoryMigrator>(dataDirectory_, *services_, alerts_, picker_,
                                                            *loop_, fakeClock_);
        tick();
    }

    fs::path oldStorage() const { return directory_ / "home/.local/share/Quorvane/QuorvaneData"; }
    fs::path chosen() const { return directory_ / "media" / "clips"; }
    fs::path chosenStorage() const { return chosen() / "QuorvaneData"; }

    void copyText(const std::string& text) {
        pasteboard_.replaceItem({{PasteboardType::plainText, dataFromString(text)}});
        tick();
    }
    void tick() { loop_->advance(0.3); }
    static std::int64_t historyRows(const fs::path& storage) {
        return queryNumber(storage / "clipboard_history.sqlite",
                           "SELECT count(*) FROM ClipboardHistoryIndex");
    }
    static std::int64_t indexRows(const fs::path& storage) {
        return queryNumber(storage / AppAssembler::searchIndexFileName, "SELECT count(*) FROM documents");
    }
    static bool intact(const fs::path& database) {
        return queryNumber(database,
                           "SELECT count(*) FROM pragma_integrity_check WHERE integrity_check = 'ok'") == 1;
    }

    std::optional<bool> changeTo(const fs::path& folder) {
        alerts_.script({"Choose Directory", "Confirm Migration"});
        picker_.script({folder});
        std::optional<bool> outcome;
        migrator_->changeStorageDirectory(nullptr, [&outcome](bool switched) { outcome = switched; });
        migrator_->waitForCopies();
        loop_->runUntilIdle();
        return outcome;
    }

    std::optional<std::vector<std::string>> search(const std::string& query) {
        assembler_->waitForSearchIndexJobs();
        std::optional<std::vector<std::string>> previews;
        assembler_->clipboardSearchService()->search(query, 50, 0, [&](auto result) {
            if (!result.succeeded()) return;
            previews.emplace();
            for (const auto& item : result.value().items) previews->push_back(item.preview);
        });
        if (auto* service = dynamic_cast<ClipboardSearchService*>(assembler_->clipboardSearchService().get()))
            service->drain();
        loop_->runUntilIdle();
        return previews;
    }

    TemporaryDirectory directory_;
    FakeClock fakeClock_;
    std::shared_ptr<ManualRunLoop> loop_ = std::make_shared<ManualRunLoop>(fakeClock_);
    std::shared_ptr<const Clock> clock_{std::shared_ptr<const Clock>{}, &fakeClock_};
    std::shared_ptr<InMemoryUserDefaults> defaults_ = std::make_shared<InMemoryUserDefaults>();
    NotificationCenter notifications_{*loop_};
    RecordingWorkspaceOpener workspace_;
    DataDirectoryManager dataDirectory_{
        *defaults_, workspace_, [this](const std::string& name) {
            return name == "HOME" ? std::optional<std::string>((directory_ / "home").string()) : std::nullopt;
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
    FakeAlertPresenter alerts_;
    FakeFolderPicker picker_;
    std::unique_ptr<AppAssembler> assembler_;
    std::unique_ptr<ObservedServices> services_;
    std::unique_ptr<DataDirectoryMigrator> migrator_;
};

TEST_F(StorageMoveTest, ChangeMovesTheHistoryAndBothDatabasesOpenWithEveryEntrySearchable) {
    for (int i = 0; i < 6; ++i) copyText("moved entry number " + std::to_string(i));
    ASSERT_EQ(historyRows(oldStorage()), 6);

    ASSERT_EQ(changeTo(chosen()), true);

    EXPECT_EQ(dataDirectory_.storageDirectoryURL(), chosenStorage());
    // Both databases were closed before the copy: no log files travelled with them.
    EXPECT_EQ(services_->targetBeforeBuild,
              (std::set<std::string>{"clipboard_history.sqlite", AppAssembler::searchIndexFileName}));
    EXPECT_TRUE(intact(chosenStorage() / "clipboard_history.sqlite"));
    EXPECT_TRUE(intact(chosenStorage() / AppAssembler::searchIndexFileName));
    EXPECT_NE(dynamic_cast<ClipboardHistoryRepository*>(assembler_->clipboardHistoryRepository().get()),
              nullptr);
    const auto found = search("moved entry");
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(search("number " + std::to_string(i)),
                  std::vector<std::string>{"moved entry number " + std::to_string(i)});
    }

    // New copies land in the new directory only; the old one keeps what it had.
    copyText("captured after the move");
    EXPECT_EQ(search("captured after"), std::vector<std::string>{"captured after the move"});
    assembler_->waitForSearchIndexJobs();
    EXPECT_EQ(historyRows(chosenStorage()), 7);
    EXPECT_EQ(indexRows(chosenStorage()), 7);
    EXPECT_EQ(historyRows(oldStorage()), 6);
}

TEST_F(StorageMoveTest, FailedMoveLeavesTheApplicationWorkingOnTheOldDirectory) {
    copyText("kept before the failure");
    std::ofstream(directory_ / "plain-file") << "not a folder";
    LogCapture log;

    EXPECT_EQ(changeTo(directory_ / "plain-file"), false);

    EXPECT_TRUE(log.contains("ERROR", "Failed to migrate storage directory: "));
    EXPECT_EQ(dataDirectory_.storageDirectoryURL(), oldStorage());
    copyText("captured after the failure");
    EXPECT_EQ(search("captured after"), std::vector<std::string>{"captured after the failure"});
    EXPECT_EQ(search("kept before"), std::vector<std::string>{"kept before the failure"});
    EXPECT_EQ(historyRows(oldStorage()), 2);
}

TEST_F(StorageMoveTest, ClearingTheHistoryIsRefusedWhileAMoveRuns) {
    copyText("survives the refused clear");
    // The flow waits in its first alert.
    std::optional<bool> outcome;
    migrator_->resetToDefaultDirectory(nullptr, [&outcome](bool switched) { outcome = switched; });
    LogCapture log;
    assembler_->clipboardHistoryManager()->clearHistory();
    EXPECT_TRUE(log.contains("ERROR", "Failed to clear clipboard history"));
    EXPECT_EQ(historyRows(oldStorage()), 1);

    ASSERT_TRUE(alerts_.answer("Cancel"));
    loop_->runUntilIdle();
    EXPECT_EQ(outcome, false);
    assembler_->clipboardHistoryManager()->clearHistory();
    EXPECT_EQ(historyRows(oldStorage()), 0);
}

TEST_F(StorageMoveTest, ClearedTextsAreNoLongerReadableAnywhereInTheStorageFolder) {
    // Unusual words, so that no other byte run in the files matches by chance.
    std::vector<std::string> texts;
    for (int i = 0; i < 40; ++i) texts.push_back("zebrafinch quokkamarker " + std::to_string(1000 + i));
    for (const auto& text : texts) copyText(text);
    assembler_->waitForSearchIndexJobs();
    ASSERT_EQ(historyRows(oldStorage()), 40);
    ASSERT_TRUE(anyFileHolds(oldStorage(), "quokkamarker"));

    ASSERT_EQ(assembler_->clipboardHistoryManager()->tryClearHistory(), std::nullopt);
    assembler_->waitForSearchIndexJobs();

    EXPECT_EQ(historyRows(oldStorage()), 0);
    EXPECT_EQ(indexRows(oldStorage()), 0);
    EXPECT_FALSE(anyFileHolds(oldStorage(), "quokkamarker"));
    EXPECT_FALSE(anyFileHolds(oldStorage(), "zebrafinch"));
    // Both stores go on working afterwards.
    copyText("written after the clear");
    EXPECT_EQ(search("after the clear"), std::vector<std::string>{"written after the clear"});
    EXPECT_TRUE(intact(oldStorage() / "clipboard_history.sqlite"));
    EXPECT_TRUE(intact(oldStorage() / AppAssembler::searchIndexFileName));
}

TEST_F(StorageMoveTest, AFolderHoldingOneEntryIsSaidInTheSingular) {
    const fs::path other = directory_ / "other";
    fs::create_directories(other);
    copyText("the only entry");
    ASSERT_EQ(changeTo(chosen()), true);
    ASSERT_EQ(changeTo(other), true);
    alerts_.presented.clear();
    ASSERT_EQ(changeTo(chosen()), true);
    ASSERT_GE(alerts_.presented.size(), 2u);
    const std::string& said = alerts_.presented[1].informativeText;
    EXPECT_NE(said.find("This folder already holds a clipboard history (1 entry, from "), std::string::npos)
        << said;
}

TEST_F(StorageMoveTest, MovingAgainIntoAFolderThatHeldAHistoryKeepsEveryBackupAndSaysSoFirst) {
    const fs::path other = directory_ / "other";
    fs::create_directories(other);
    copyText("first entry");
    copyText("second entry");
    ASSERT_EQ(changeTo(chosen()), true);
    const auto historyBackups = [&] {
        std::size_t count = 0;
        for (const auto& name : names(chosenStorage()))
            if (name.starts_with("clipboard_history.sqlite.backup_") && !name.ends_with("-wal") &&
                !name.ends_with("-shm"))
                ++count;
        return count;
    };
    for (int round = 1; round <= 2; ++round) {
        ASSERT_EQ(changeTo(other), true);
        alerts_.presented.clear();
        ASSERT_EQ(changeTo(chosen()), true);
        // The confirmation said what the folder holds before anything was moved aside.
        ASSERT_GE(alerts_.presented.size(), 2u);
        EXPECT_NE(alerts_.presented[1].informativeText.find(
                      "This folder already holds a clipboard history (2 entries, the newest from "),
                  std::string::npos)
            << alerts_.presented[1].informativeText;
        EXPECT_EQ(historyBackups(), static_cast<std::size_t>(round));
    }
    // Every backup is a whole history that opens.
    for (const auto& name : names(chosenStorage())) {
        if (!name.starts_with("clipboard_history.sqlite.backup_") || name.ends_with("-wal") ||
            name.ends_with("-shm"))
            continue;
        EXPECT_EQ(historyRows(chosenStorage() / name), -1) << "opened as a folder: " << name;
        EXPECT_EQ(queryNumber(chosenStorage() / name, "SELECT count(*) FROM ClipboardHistoryIndex"), 2)
            << name;
    }
    EXPECT_EQ(historyRows(chosenStorage()), 2);
}

TEST_F(StorageMoveTest, CopiesMadeWhileTheMoveCopiesItsFilesAreInTheHistoryAfterwards) {
    copyText("before the move");
    // Reported at once, as the desktop's clipboard does, so no poll is needed while the copy runs.
    pasteboard_.setAnnouncesChanges(true);
    services_->afterTearDown = [&] {
        pasteboard_.replaceItem({{PasteboardType::plainText, dataFromString("copied during the move")}});
        pasteboard_.replaceItem({{PasteboardType::plainText, dataFromString("before the move")}});
        pasteboard_.replaceItem({{PasteboardType::plainText, dataFromString("also during the move")}});
    };
    ASSERT_EQ(changeTo(chosen()), true);
    services_->afterTearDown = nullptr;

    EXPECT_EQ(search("during the move"),
              (std::vector<std::string>{"also during the move", "copied during the move"}));
    // A copy repeated during the move replaces its earlier entry, as any capture does.
    EXPECT_EQ(search("before the move"), std::vector<std::string>{"before the move"});
    assembler_->waitForSearchIndexJobs();
    EXPECT_EQ(historyRows(chosenStorage()), 3);
    EXPECT_EQ(indexRows(chosenStorage()), 3);

    // A failed move keeps them too: in the old history, still in use.
    services_->afterTearDown = [&] {
        pasteboard_.replaceItem({{PasteboardType::plainText, dataFromString("copied during a failed move")}});
    };
    std::ofstream(directory_ / "plain-file") << "not a folder";
    ASSERT_EQ(changeTo(directory_ / "plain-file"), false);
    EXPECT_EQ(search("failed move"), std::vector<std::string>{"copied during a failed move"});
    EXPECT_EQ(historyRows(chosenStorage()), 4);
}

}  // namespace
}  // namespace quorvane
