#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "app/AppAssembler.h"
#include "history/ClipboardHistoryRepository.h"
#include "platform/memory/FakeFolderPicker.h"
#include "support/LogCapture.h"
#include "support/ProgramFixture.h"
#include "system/DataDirectoryMigrator.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using testing::LogCapture;

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

class StorageMoveTest : public ::testing::Test, protected testing::ProgramFixture {
protected:
    StorageMoveTest() : ProgramFixture(std::nullopt) {
        fs::create_directories(chosen());
        assembler_ = makeAssembler();
        services_ = std::make_unique<ObservedServices>(*assembler_, chosenStorage());
        migrator_ = std::make_unique<DataDirectoryMigrator>(dataDirectory_, *services_, alerts_, picker_,
                                                            *loop_, fakeClock_);
        tick();
    }

    fs::path oldStorage() const { return storage(); }
    fs::path chosen() const { return directory_ / "media" / "clips"; }
    fs::path chosenStorage() const { return chosen() / "QuorvaneData"; }

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
        return ProgramFixture::search(*assembler_, query);
    }

    FakeFolderPicker picker_;
    std::unique_ptr<AppAssembler> assembler_;
    std::unique_ptr<ObservedServices> services_;
    std::unique_ptr<DataDirectoryMigrator> migrator_;
};

TEST_F(StorageMoveTest, ChangeMovesTheHistoryAndBothDatabasesOpenWithEveryEntrySearchable) {
    for (int i = 0; i < 6; ++i) copyTextAndPoll("moved entry number " + std::to_string(i));
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
    copyTextAndPoll("captured after the move");
    EXPECT_EQ(search("captured after"), std::vector<std::string>{"captured after the move"});
    assembler_->waitForSearchIndexJobs();
    EXPECT_EQ(historyRows(chosenStorage()), 7);
    EXPECT_EQ(indexRows(chosenStorage()), 7);
    EXPECT_EQ(historyRows(oldStorage()), 6);
}

TEST_F(StorageMoveTest, FailedMoveLeavesTheApplicationWorkingOnTheOldDirectory) {
    copyTextAndPoll("kept before the failure");
    std::ofstream(directory_ / "plain-file") << "not a folder";
    LogCapture log;

    EXPECT_EQ(changeTo(directory_ / "plain-file"), false);

    EXPECT_TRUE(log.contains("ERROR", "Failed to migrate storage directory: "));
    EXPECT_EQ(dataDirectory_.storageDirectoryURL(), oldStorage());
    copyTextAndPoll("captured after the failure");
    EXPECT_EQ(search("captured after"), std::vector<std::string>{"captured after the failure"});
    EXPECT_EQ(search("kept before"), std::vector<std::string>{"kept before the failure"});
    EXPECT_EQ(historyRows(oldStorage()), 2);
}

TEST_F(StorageMoveTest, ClearingTheHistoryIsRefusedWhileAMoveRuns) {
    copyTextAndPoll("survives the refused clear");
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
    for (const auto& text : texts) copyTextAndPoll(text);
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
    copyTextAndPoll("written after the clear");
    EXPECT_EQ(search("after the clear"), std::vector<std::string>{"written after the clear"});
    EXPECT_TRUE(intact(oldStorage() / "clipboard_history.sqlite"));
    EXPECT_TRUE(intact(oldStorage() / AppAssembler::searchIndexFileName));
}

TEST_F(StorageMoveTest, AFolderHoldingOneEntryIsSaidInTheSingular) {
    const fs::path other = directory_ / "other";
    fs::create_directories(other);
    copyTextAndPoll("the only entry");
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
    copyTextAndPoll("first entry");
    copyTextAndPoll("second entry");
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
    copyTextAndPoll("before the move");
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
