#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/AppAssembler.h"
#include "capture/ClipboardMonitor.h"
#include "capture/EmptyClipboardMonitor.h"
#include "history/ClipboardHistoryRepository.h"
#include "history/EmptyClipboardHistoryManager.h"
#include "history/EmptyClipboardHistoryRepository.h"
#include "platform/memory/InMemoryHotkeyRegistrar.h"
#include "preferences/SettingsAccessors.h"
#include "search/ClipboardSearchService.h"
#include "search/ClipboardSearchServiceError.h"
#include "search/EmptyClipboardSearchService.h"
#include "support/LogCapture.h"
#include "support/ProgramFixture.h"

namespace quorvane {
namespace {

using testing::LogCapture;

constexpr const char* indexStoreFailure =
    "Failed to initialize clipboard search index store, search index sync disabled";
constexpr const char* servicesFailure = "Failed to initialize clipboard services: ";

class AppAssemblerTest : public ::testing::Test, protected testing::ProgramFixture {
protected:
    AppAssemblerTest() : ProgramFixture("storage") {}

    // The direct build, whose copy-keystroke monitor starts with trust.
    std::unique_ptr<AppAssembler> makeAssembler() {
        return ProgramFixture::makeAssembler(
            AppEnvironment{{{"QuorvaneDistributionChannel", DefaultsValue(std::string("DIRECT"))},
                            {"CFBundleIdentifier", DefaultsValue(std::string("tech.zanto.QuorvaneApp"))}}});
    }
};

TEST_F(AppAssemblerTest, BuiltServicesCaptureNewCopiesIntoBothStoresButNotTheItemFoundAtStart) {
    copyText("already there before start");
    LogCapture log;
    auto assembler = makeAssembler();

    ASSERT_NE(dynamic_cast<ClipboardMonitor*>(assembler->clipboardMonitor().get()), nullptr);
    ASSERT_NE(dynamic_cast<ClipboardHistoryRepository*>(assembler->clipboardHistoryRepository().get()),
              nullptr);
    ASSERT_NE(dynamic_cast<ClipboardSearchService*>(assembler->clipboardSearchService().get()), nullptr);
    EXPECT_TRUE(std::filesystem::is_directory(storage()));
    // The direct build with trust starts the copy-keystroke monitor.
    EXPECT_EQ(keys_.installedMonitorCount(), 1u);

    tick();
    copyText("the first real copy");
    tick();

    EXPECT_EQ(search(*assembler, "first real"), std::vector<std::string>{"the first real copy"});
    EXPECT_EQ(search(*assembler, "already there"), std::vector<std::string>{});
    EXPECT_EQ(historyRows(), 1);
    EXPECT_EQ(indexRows(), 1);
    EXPECT_EQ(log.count("Failed to"), 0u);

    // The ignored-applications seeding ran as part of the build.
    assembler->ignoredAppsSettings().waitForQueuedSeeding();
    EXPECT_TRUE(defaults_->object(SettingsKey::ignoredAppDefaultsApplied).has_value());
}

TEST_F(AppAssemblerTest, AppFilterMatchesTheApplicationNameFromItsDesktopEntry) {
    catalog_.install("org.example.Editor", "Scribble Pad");
    auto assembler = makeAssembler();
    tick();
    copyText("copied from the editor");
    tick();

    EXPECT_EQ(search(*assembler, "app:scribble"), std::vector<std::string>{"copied from the editor"});
    EXPECT_EQ(search(*assembler, "app:terminal"), std::vector<std::string>{});
}

TEST_F(AppAssemblerTest, StorageDirectoryThatCannotBeCreatedLeavesNullObjects) {
    std::ofstream(directory_ / "plain-file") << "not a directory";
    DataDirectoryManager blocked(*defaults_, workspace_, [this](const std::string&) {
        return std::optional<std::string>((directory_ / "plain-file" / "storage").string());
    });
    LogCapture log;
    AppAssembler assembler(AppAssembler::Platform{defaults_, loop_, clock_, notifications_, blocked,
                                                  permission_, catalog_, pasteboard_, probe_, decoder_,
                                                  frontmost_, recognizer_, keys_, AppEnvironment{}});

    EXPECT_TRUE(log.contains("ERROR", servicesFailure));
    EXPECT_FALSE(log.contains("ERROR", indexStoreFailure));
    EXPECT_NE(dynamic_cast<EmptyClipboardHistoryRepository*>(assembler.clipboardHistoryRepository().get()),
              nullptr);
    EXPECT_NE(dynamic_cast<EmptyClipboardMonitor*>(assembler.clipboardMonitor().get()), nullptr);
    EXPECT_NE(dynamic_cast<EmptyClipboardHistoryManager*>(assembler.clipboardHistoryManager().get()),
              nullptr);
    EXPECT_NE(dynamic_cast<EmptyClipboardSearchService*>(assembler.clipboardSearchService().get()), nullptr);
    EXPECT_FALSE(assembler.clipboardMonitor()->isTemporarilyPaused());
    EXPECT_EQ(search(assembler, "anything"), std::nullopt);
    // No monitor polls: nothing is armed on the loop for capture.
    copyText("lost");
    tick();
    EXPECT_EQ(pasteboard_.contentReadCount(), 0);
}

TEST_F(AppAssemblerTest, IndexStoreFailureKeepsCaptureRunningWithoutSearch) {
    // A directory where the index file belongs cannot be opened as a database, nor moved aside as damage.
    std::filesystem::create_directories(indexFile() / "blocking");
    LogCapture log;
    auto assembler = makeAssembler();

    EXPECT_TRUE(log.contains("ERROR", indexStoreFailure));
    EXPECT_FALSE(log.contains("ERROR", servicesFailure));
    EXPECT_NE(dynamic_cast<ClipboardMonitor*>(assembler->clipboardMonitor().get()), nullptr);
    EXPECT_NE(dynamic_cast<EmptyClipboardSearchService*>(assembler->clipboardSearchService().get()), nullptr);

    tick();
    copyText("kept without an index");
    tick();
    EXPECT_EQ(historyRows(), 1);
    EXPECT_EQ(search(*assembler, "kept"), std::nullopt);
}

TEST_F(AppAssemblerTest, HistoryStoreThatIsNotOursLeavesNullObjectsAndTheFileUntouched) {
    std::filesystem::create_directories(storage());
    std::ofstream(historyFile()) << "someone else's notes";
    LogCapture log;
    auto assembler = makeAssembler();

    EXPECT_TRUE(log.contains("ERROR", servicesFailure));
    EXPECT_NE(dynamic_cast<EmptyClipboardMonitor*>(assembler->clipboardMonitor().get()), nullptr);
    EXPECT_NE(dynamic_cast<EmptyClipboardSearchService*>(assembler->clipboardSearchService().get()), nullptr);
    std::ifstream file(historyFile());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "someone else's notes");
}

TEST_F(AppAssemblerTest, OwnHistoryOthersCouldWriteIsNarrowedAndKeptInUse) {
    {
        auto assembler = makeAssembler();
        tick();
        copyText("kept from the first run");
        tick();
        assembler->waitForSearchIndexJobs();
    }
    ASSERT_EQ(historyRows(), 1);
    ::chmod(historyFile().c_str(), 0666);
    LogCapture log;
    auto assembler = makeAssembler();
    tick();
    copyText("stored after the narrowing");
    tick();

    EXPECT_EQ(log.count(servicesFailure), 0u);
    EXPECT_TRUE(log.contains("WARNING", "could be written by other users (mode 0666); it is 0600 now"));
    EXPECT_EQ(historyRows(), 2);
    struct stat info {};
    ASSERT_EQ(::stat(historyFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST_F(AppAssemblerTest, SecondInstanceOnTheSameFolderRefusesAndChangesNothing) {
    auto first = makeAssembler();
    tick();
    copyText("kept by the first instance");
    tick();
    first->waitForSearchIndexJobs();
    const auto snapshot = [this] {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(storage())) {
            std::ifstream in(entry.path(), std::ios::binary);
            files[entry.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
        }
        return files;
    };
    const auto before = snapshot();

    LogCapture log;
    auto second = makeAssembler();
    EXPECT_EQ(log.count("ERROR"), 1u) << ::testing::PrintToString(log.lines());
    EXPECT_TRUE(log.contains(
        "ERROR", std::string(servicesFailure) + "another Quorvane process is using the storage directory"));
    EXPECT_NE(dynamic_cast<EmptyClipboardMonitor*>(second->clipboardMonitor().get()), nullptr);
    EXPECT_NE(dynamic_cast<EmptyClipboardSearchService*>(second->clipboardSearchService().get()), nullptr);
    EXPECT_TRUE(second->storageDirectoryInUse());
    EXPECT_FALSE(first->storageDirectoryInUse());
    EXPECT_EQ(snapshot(), before);

    // Once the first lets go of the folder (a storage move), the other may take it.
    first->tearDownClipboardServices();
    second->buildClipboardServices();
    EXPECT_FALSE(second->storageDirectoryInUse());
    EXPECT_NE(dynamic_cast<ClipboardMonitor*>(second->clipboardMonitor().get()), nullptr);
    EXPECT_EQ(search(*second, "kept"), std::vector<std::string>{"kept by the first instance"});
}

TEST_F(AppAssemblerTest, TearDownFinishesQueuedIndexJobsClosesStoresAndABuildResumes) {
    auto assembler = makeAssembler();
    const auto firstMonitor = assembler->clipboardMonitor();
    tick();
    copyText("before the move");
    tick();

    // No wait for the index queue: the tear-down itself must let it finish.
    assembler->tearDownClipboardServices();
    EXPECT_EQ(indexRows(), 1);
    EXPECT_EQ(historyRows(), 1);
    EXPECT_NE(dynamic_cast<EmptyClipboardMonitor*>(assembler->clipboardMonitor().get()), nullptr);
    EXPECT_NE(dynamic_cast<EmptyClipboardHistoryRepository*>(assembler->clipboardHistoryRepository().get()),
              nullptr);
    EXPECT_FALSE(dynamic_cast<ClipboardMonitor&>(*firstMonitor).isMonitoring());
    // The released history store writes nothing any more, even through a service someone kept; the copy is
    // held until a history opens again.
    copyText("during the move");
    tick();
    EXPECT_EQ(historyRows(), 1);

    assembler->buildClipboardServices();
    tick();
    copyText("after the move");
    tick();
    EXPECT_EQ(search(*assembler, "move"),
              (std::vector<std::string>{"after the move", "during the move", "before the move"}));
}

TEST_F(AppAssemblerTest, RebuildStopsThePreviousMonitorSoOneCopyIsSavedOnce) {
    auto assembler = makeAssembler();
    const auto firstMonitor = assembler->clipboardMonitor();
    assembler->buildClipboardServices();
    EXPECT_NE(firstMonitor, assembler->clipboardMonitor());
    EXPECT_FALSE(dynamic_cast<ClipboardMonitor&>(*firstMonitor).isMonitoring());

    tick();
    copyText("seen by one monitor");
    tick();
    EXPECT_EQ(historyRows(), 1);
    EXPECT_EQ(search(*assembler, "seen"), std::vector<std::string>{"seen by one monitor"});
}

TEST_F(AppAssemblerTest, ShutdownDrainsTheIndexAndLeavesConsistentFiles) {
    auto assembler = makeAssembler();
    tick();
    for (int i = 0; i < 5; ++i) {
        copyText("entry number " + std::to_string(i));
        tick();
    }
    assembler->shutdown();
    // Closed cleanly: the last connection folded the write-ahead log back into the file (the index keeps its
    // log file, emptied).
    EXPECT_FALSE(std::filesystem::exists(historyFile().string() + "-wal"));
    const std::filesystem::path indexLog = indexFile().string() + "-wal";
    EXPECT_TRUE(!std::filesystem::exists(indexLog) || std::filesystem::file_size(indexLog) == 0);

    EXPECT_EQ(historyRows(), 5);
    EXPECT_EQ(indexRows(), 5);
    for (const auto& file : {historyFile(), indexFile()}) EXPECT_TRUE(intact(file)) << file;
    copyText("after shut-down");
    tick();
    EXPECT_EQ(historyRows(), 5);
}

TEST_F(AppAssemblerTest, StartRunsTheForcedRetentionCleanUp) {
    {
        auto assembler = makeAssembler();
        tick();
        copyText("an old entry");
        tick();
        assembler->shutdown();
    }
    ASSERT_EQ(historyRows(), 1);
    fakeClock_.advance(3 * 86400);
    defaults_->set(SettingsKey::textAutoCleanupPolicy, DefaultsValue(std::string("oneDay")));

    auto assembler = makeAssembler();
    assembler->waitForSearchIndexJobs();
    EXPECT_EQ(historyRows(), 0);
    EXPECT_EQ(search(*assembler, "old"), std::vector<std::string>{});
}

// ---- Shell services ----

// The direct build's information table (feed settings empty) once warned and showed a dead update item.
TEST_F(AppAssemblerTest, NoBuildOffersAnUpdateCommandOrWarnsAboutItsMissingFeed) {
    LogCapture log;
    auto assembler = makeAssembler();
    EXPECT_EQ(assembler->distributionChannel(), DistributionChannel::direct);
    EXPECT_EQ(assembler->appUpdater().state(), (AppUpdateState{false, false, AppUpdateAvailability::idle()}));
    EXPECT_EQ(log.count("WARNING"), 0u);
}

class AppAssemblerShellTest : public AppAssemblerTest {
protected:
    std::optional<ClipboardSearchResult<ClipboardSearchRebuildResult>> rebuild(AppAssembler& assembler) {
        std::optional<ClipboardSearchResult<ClipboardSearchRebuildResult>> answer;
        assembler.rebuildUnavailableSearchIndex([&](auto result) { answer.emplace(std::move(result)); });
        // The rebuild crosses the search queue and the history's index queue.
        runQueuedWorkUntil(assembler, [&] { return answer.has_value(); });
        return answer;
    }

    static bool failedAsUnavailable(const ClipboardSearchResult<ClipboardSearchRebuildResult>& result) {
        if (result.succeeded()) return false;
        try {
            std::rethrow_exception(result.error());
        } catch (const ClipboardSearchServiceError& error) {
            return error.code() == ClipboardSearchServiceError::Code::unavailable;
        } catch (...) {
            return false;
        }
    }
};

TEST_F(AppAssemblerShellTest, RebuildGoesThroughAWorkingSearchServiceAndNeverDuringAMove) {
    auto assembler = makeAssembler();
    tick();
    copyText("first entry");
    tick();
    copyText("second entry");
    tick();
    assembler->waitForSearchIndexJobs();
    // A rebuild through the open store keeps its file: same inode before and after.
    struct stat before {};
    ASSERT_EQ(::stat(indexFile().c_str(), &before), 0);

    const auto rebuilt = rebuild(*assembler);
    ASSERT_TRUE(rebuilt && rebuilt->succeeded());
    EXPECT_EQ(rebuilt->value().indexedCount, 2);
    EXPECT_EQ(indexRows(), 2);
    struct stat after {};
    ASSERT_EQ(::stat(indexFile().c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_NE(dynamic_cast<ClipboardMonitor*>(assembler->clipboardMonitor().get()), nullptr);

    // While a storage move runs the services are torn down: nothing is rebuilt and no file goes.
    assembler->tearDownClipboardServices();
    const auto duringMove = rebuild(*assembler);
    ASSERT_TRUE(duringMove);
    EXPECT_TRUE(failedAsUnavailable(*duringMove));
    EXPECT_TRUE(std::filesystem::exists(indexFile()));
    EXPECT_NE(dynamic_cast<EmptyClipboardSearchService*>(assembler->clipboardSearchService().get()), nullptr);
    assembler->buildClipboardServices();
    EXPECT_EQ(search(*assembler, "second"), std::vector<std::string>{"second entry"});
}

TEST_F(AppAssemblerShellTest, UnopenableIndexIsRemovedAndBuiltAfresh) {
    std::filesystem::create_directories(indexFile());  // an empty folder where the index belongs
    auto assembler = makeAssembler();
    ASSERT_NE(dynamic_cast<EmptyClipboardSearchService*>(assembler->clipboardSearchService().get()), nullptr);
    tick();
    copyText("kept while the index was gone");
    tick();

    const auto rebuilt = rebuild(*assembler);
    ASSERT_TRUE(rebuilt && rebuilt->succeeded());
    EXPECT_EQ(rebuilt->value().indexedCount, 1);
    EXPECT_EQ(search(*assembler, "gone"), std::vector<std::string>{"kept while the index was gone"});
}

TEST_F(AppAssemblerShellTest, IndexThatCannotBeRemovedFailsAndBringsTheServicesBack) {
    std::filesystem::create_directories(indexFile() / "blocking");
    LogCapture log;
    auto assembler = makeAssembler();
    tick();
    copyText("history survives");
    tick();

    const auto rebuilt = rebuild(*assembler);
    ASSERT_TRUE(rebuilt);
    EXPECT_FALSE(rebuilt->succeeded());
    EXPECT_TRUE(log.contains("ERROR", "Failed to rebuild the search index: "));
    EXPECT_NE(dynamic_cast<ClipboardMonitor*>(assembler->clipboardMonitor().get()), nullptr);
    EXPECT_EQ(historyRows(), 1);
}

// A presentation that counts what the hot key asks of it.
struct CountingPanel final : ClipboardPanelControlling {
    bool isPanelVisible() const override { return visible; }
    void showPanel() override { visible = true; }
    void hidePanel() override { visible = false; }
    bool visible = false;
};

TEST_F(AppAssemblerShellTest, HotkeysAreReleasedForAMoveAndTheClipboardHotkeyRegisteredAgainAfterIt) {
    InMemoryHotkeyRegistrar registrar;
    auto assembler = ProgramFixture::makeAssembler(AppEnvironment{}, &registrar);
    const KeyCombo combo = KeyCombo::defaultClipboardHistory();
    EXPECT_EQ(registrar.registerCalls(), 0u);  // the first build registers nothing
    EXPECT_EQ(assembler->launchAtLoginManager().status(), LaunchAtLoginStatus::unknown);

    assembler->clipboardPanelCoordinator().registerClipboardHotkey();
    assembler->setDidStartClipboardCoordinator(true);
    ASSERT_TRUE(assembler->hotkeyManager().isRegistered(combo));

    // The press reaches the presentation the slot gives now, though it was filled after the coordinator.
    CountingPanel panel;
    assembler->windowFactories().activeClipboardPanelController = [&panel] { return &panel; };
    ASSERT_TRUE(registrar.press(combo.keyCode, combo.modifierFlags));
    loop_->runUntilIdle();
    EXPECT_TRUE(panel.visible);

    assembler->tearDownClipboardServices();
    EXPECT_FALSE(assembler->hotkeyManager().isRegistered(combo));
    assembler->buildClipboardServices();
    EXPECT_TRUE(assembler->hotkeyManager().isRegistered(combo));
    ASSERT_TRUE(registrar.press(combo.keyCode, combo.modifierFlags));
    loop_->runUntilIdle();
    EXPECT_FALSE(panel.visible);

    assembler->shutdown();
    EXPECT_FALSE(assembler->hotkeyManager().isRegistered(combo));
    EXPECT_FALSE(assembler->didStartClipboardCoordinator());
    assembler.reset();
    EXPECT_EQ(registrar.staleReleases(), 0u);
}

}  // namespace
}  // namespace quorvane
