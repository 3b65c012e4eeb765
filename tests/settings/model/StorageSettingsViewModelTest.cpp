#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <map>
#include <thread>

#include "history/ClipboardHistoryManager.h"
#include "history/ClipboardHistoryRepository.h"
#include "history/EmptyClipboardHistoryManager.h"
#include "l10n/StandardAppLanguage.h"
#include "platform/memory/FakeAlertPresenter.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/FakeFolderPicker.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "settings/model/StorageSettingsFormatting.h"
#include "settings/model/StorageSettingsViewModel.h"
#include "support/LogCapture.h"
#include "support/TemporaryDirectory.h"
#include "system/DataDirectoryMigrator.h"
#include "system/StorageBackups.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

// Capture that is never running: the page's suspended work runs as it is.
class NoCapture final : public CaptureSuspension {
public:
    void runWithCaptureSuspended(const std::function<void()>& body) override { body(); }
};

// The container's part in a move: real history services on whatever directory is in force, the null
// manager in between. Remembers the order of everything the move asked of it.
class HistoryServices final : public ClipboardServicesLifecycle {
public:
    HistoryServices(DataDirectoryManager& directories, MainQueue& loop, NotificationCenter& center,
                    UserDefaults& defaults, const Clock& clock, std::shared_ptr<MainQueue> sharedLoop)
        : directories_(directories),
          loop_(loop),
          center_(center),
          defaults_(defaults),
          clock_(clock),
          sharedLoop_(std::move(sharedLoop)) {
        buildClipboardServices();
        events.clear();
    }

    void tearDownClipboardServices() override {
        events.push_back("tear down");
        repository.reset();
        manager = std::make_shared<EmptyClipboardHistoryManager>(sharedLoop_);
    }
    void buildClipboardServices() override {
        events.push_back("build");
        repository = std::make_shared<ClipboardHistoryRepository>(directories_, nullptr, loop_, center_,
                                                                  defaults_, clock_);
        manager = std::make_shared<ClipboardHistoryManager>(repository, std::make_shared<NoCapture>());
    }

    std::shared_ptr<ClipboardHistoryRepository> repository;
    std::shared_ptr<ClipboardHistoryManagerProtocol> manager;
    std::vector<std::string> events;

private:
    DataDirectoryManager& directories_;
    MainQueue& loop_;
    NotificationCenter& center_;
    UserDefaults& defaults_;
    const Clock& clock_;
    std::shared_ptr<MainQueue> sharedLoop_;
};

// A main queue that shares the test's loop with the null objects, which hold theirs shared.
class ForwardingQueue final : public MainQueue {
public:
    explicit ForwardingQueue(MainQueue& target) : target_(target) {}
    void post(std::function<void()> job) override { target_.post(std::move(job)); }
    Timer postAfter(double delay, std::function<void()> job) override {
        return target_.postAfter(delay, std::move(job));
    }
    bool isMainThread() const override { return target_.isMainThread(); }

private:
    MainQueue& target_;
};

class StorageSettingsViewModelTest : public ::testing::Test {
protected:
    StorageSettingsViewModelTest() { fs::create_directories(chosen()); }

    fs::path home() const { return directory_ / "home"; }
    fs::path defaultStorage() const { return home() / ".local/share/Quorvane/QuorvaneData"; }
    fs::path chosen() const { return directory_ / "media" / "clips"; }
    fs::path chosenStorage() const { return chosen() / "QuorvaneData"; }

    void saveText(const std::string& id, const std::string& text, bool later = true) {
        if (later) clock_.advance(10);
        services_.repository->saveTextItem({.id = id, .preview = text, .searchText = text, .content = text});
    }
    void saveImage(const std::string& id) {
        clock_.advance(10);
        services_.repository->saveImageItem(
            {.id = id, .preview = "Image", .imageData = {0x89, 'P', 'N', 'G', 1, 2, 3}});
    }

    // Its clears remove temporary files from runtimeFolder(), never from the machine's own.
    std::unique_ptr<StorageSettingsViewModel> makeViewModel() {
        auto model = std::make_unique<StorageSettingsViewModel>(StorageSettingsViewModel::Services{
            manager_,
            [this] {
                ++providerCalls_;
                return services_.manager;
            },
            StorageSettingsViewModel::migratorChangeAction(migrator_),
            StorageSettingsViewModel::migratorResetAction(migrator_), alerts_, center_, loop_, clock_,
            [this] { shellEvents_.push_back("will start"); },
            [this] {
                shellEvents_.push_back("did finish");
                services_.events.push_back("shell did finish");
            }});
        model->setTemporaryFilesFolder([this] { return runtimeFolder(); });
        return model;
    }
    fs::path runtimeFolder() const { return directory_ / "runtime"; }

    // Turns the loop until `condition` holds; the history reads and the scan answer from other threads.
    bool turnUntil(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            migrator_.waitForCopies();
            loop_.runUntilIdle();
            if (condition()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return condition();
    }
    // Turns the loop for a while, for checks that something does NOT happen.
    void settle() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
        while (std::chrono::steady_clock::now() < end) {
            loop_.runUntilIdle();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    bool loaded(const StorageSettingsViewModel& model) {
        return turnUntil([&] { return model.hasLoadedStorageUsageSummary(); });
    }
    // The observers are told on a later turn; this counts the turns that told them.
    Subscription countNotifications(StorageSettingsViewModel& model) {
        return model.observe([this] { ++notifications_; });
    }

    testing::TemporaryDirectory directory_;
    std::map<std::string, std::string> environment_{{"HOME", (directory_ / "home").string()}};
    InMemoryUserDefaults defaults_;
    RecordingWorkspaceOpener workspace_;
    DataDirectoryManager manager_{
        defaults_, workspace_, [this](const std::string& name) {
            auto found = environment_.find(name);
            return found == environment_.end() ? std::nullopt : std::optional<std::string>(found->second);
        }};
    FakeClock clock_{Date(1'750'000'000.0)};
    ManualRunLoop loop_{clock_};
    NotificationCenter center_{loop_};
    HistoryServices services_{manager_,  loop_,  center_,
                              defaults_, clock_, std::make_shared<ForwardingQueue>(loop_)};
    FakeAlertPresenter alerts_;
    FakeFolderPicker picker_;
    DataDirectoryMigrator migrator_{manager_, services_, alerts_, picker_, loop_, clock_};
    std::vector<std::string> shellEvents_;
    int providerCalls_ = 0;
    int notifications_ = 0;
};

TEST_F(StorageSettingsViewModelTest, SummaryOfARealStoreCountsEachKindTheNewestEntryAndTheFolder) {
    saveText("a", "alpha");
    saveImage("b");
    saveText("c", "gamma");
    const Date newest = clock_.now();
    clock_.advance(300);

    auto model = makeViewModel();
    EXPECT_TRUE(model->isLoadingStorageUsageSummary());
    EXPECT_EQ(model->itemCountText(), "Loading...");
    EXPECT_EQ(model->lastSavedText(), "Loading...");
    EXPECT_EQ(model->clearHistoryDescriptionText(), "Updating storage usage for the current folder.");
    EXPECT_FALSE(model->canClearHistory());
    ASSERT_TRUE(loaded(*model));

    const StorageUsageSummary& summary = model->storageUsageSummary();
    EXPECT_EQ(summary.itemCount, 3);
    EXPECT_EQ(summary.textItemCount, 2);
    EXPECT_EQ(summary.imageItemCount, 1);
    EXPECT_EQ(summary.lastSavedAt, newest);
    // The store's files take at least a block each.
    EXPECT_GE(summary.directorySizeBytes, 4096);
    EXPECT_FALSE(model->isLoadingStorageUsageSummary());
    EXPECT_EQ(model->itemCountText(), "3");
    EXPECT_EQ(model->contentBreakdownText(), "2 text · 1 image");
    EXPECT_EQ(model->lastSavedText(), "5 min. ago");
    EXPECT_NE(model->diskUsageText().find(" kB"), std::string::npos) << model->diskUsageText();
    EXPECT_EQ(model->clearHistoryDescriptionText(),
              "This permanently deletes all saved clipboard items from the current storage folder.");
    EXPECT_TRUE(model->canClearHistory());
    EXPECT_EQ(model->dataDirectoryPath(), defaultStorage().string());
    EXPECT_EQ(model->displayPath(), "~/.local/share/Quorvane/QuorvaneData");
    EXPECT_FALSE(model->canResetDirectory());

    model->showInFileManager();
    EXPECT_EQ(workspace_.openedFiles, std::vector<fs::path>{defaultStorage()});
}

TEST_F(StorageSettingsViewModelTest, EmptyHistoryAndAnEmptyFolderReadAsNothing) {
    services_.tearDownClipboardServices();
    // A home whose storage folder was never made.
    environment_["HOME"] = (directory_ / "elsewhere").string();
    auto model = makeViewModel();
    ASSERT_TRUE(loaded(*model));
    EXPECT_EQ(model->storageUsageSummary(), StorageUsageSummary::empty());
    EXPECT_EQ(model->itemCountText(), "0");
    EXPECT_EQ(model->contentBreakdownText(), "0 text · 0 image");
    EXPECT_EQ(model->lastSavedText(), "No history yet");
    EXPECT_EQ(model->diskUsageText(), "0 bytes");
    EXPECT_EQ(model->clearHistoryDescriptionText(),
              "No saved clipboard items are currently stored in this folder.");
    EXPECT_FALSE(model->canClearHistory());
}

TEST_F(StorageSettingsViewModelTest, LiveUpdatesReloadOnlyWhileShownAndKeepTheFiguresMeanwhile) {
    saveText("a", "alpha");
    auto model = makeViewModel();
    ASSERT_TRUE(loaded(*model));
    model->refresh();
    EXPECT_FALSE(model->isLoadingStorageUsageSummary()) << "later loads keep the figures on screen";
    ASSERT_TRUE(turnUntil([&] { return model->storageUsageSummary().itemCount == 1; }));
    // The page heard of "a" too; let that reload pass.
    loop_.advance(1);
    settle();

    const int callsBefore = providerCalls_;
    saveText("b", "beta", false);
    saveText("c", "gamma", false);
    // One reload for the burst, a quarter second after it.
    ASSERT_TRUE(turnUntil([&] { return loop_.pendingCount() == 1; }));
    EXPECT_EQ(providerCalls_, callsBefore);
    loop_.advance(StorageSettingsViewModel::liveUpdateDebounceSeconds);
    ASSERT_TRUE(turnUntil([&] { return model->storageUsageSummary().itemCount == 3; }));
    EXPECT_EQ(providerCalls_, callsBefore + 1);

    model->settingsModuleDidHide();
    saveText("d", "delta", false);
    loop_.advance(1);
    settle();
    EXPECT_EQ(model->storageUsageSummary().itemCount, 3);
    EXPECT_EQ(providerCalls_, callsBefore + 1);
    // Showing the page again loads regardless.
    model->refresh();
    ASSERT_TRUE(turnUntil([&] { return model->storageUsageSummary().itemCount == 4; }));
}

TEST_F(StorageSettingsViewModelTest, ANewerLoadDropsTheResultOfTheOneItReplaced) {
    saveText("a", "alpha");
    auto model = makeViewModel();
    auto subscription = countNotifications(*model);
    // The first load is still on its way when the page is shown and loads again.
    model->refresh();
    saveText("b", "beta");
    model->loadStorageUsageSummary();
    ASSERT_TRUE(loaded(*model));
    settle();
    EXPECT_EQ(model->storageUsageSummary().itemCount, 2);
    EXPECT_GT(notifications_, 0);
}

TEST_F(StorageSettingsViewModelTest, SuccessfulMoveRebuildsTheServicesBeforeThePageReloadsFromThem) {
    saveText("a", "alpha");
    saveImage("b");
    auto model = makeViewModel();
    ASSERT_TRUE(loaded(*model));

    alerts_.script({"Choose Directory"});
    picker_.script({chosen()});
    model->selectDirectory();
    // From the first question on, the three buttons are off.
    EXPECT_TRUE(model->isFlowRunning());
    EXPECT_FALSE(model->canChangeDirectory());
    EXPECT_FALSE(model->canClearHistory());
    const std::size_t alertsShown = alerts_.presented.size();
    model->selectDirectory();
    EXPECT_EQ(alerts_.presented.size(), alertsShown) << "a second flow must not start while one runs";
    ASSERT_TRUE(alerts_.answer("Confirm Migration"));
    ASSERT_TRUE(turnUntil([&] {
        return !model->isFlowRunning() && !alerts_.presented.empty() &&
               alerts_.presented.back().messageText == "Storage Location Changed";
    }));

    EXPECT_EQ(services_.events, (std::vector<std::string>{"tear down", "build", "shell did finish"}));
    EXPECT_EQ(shellEvents_, (std::vector<std::string>{"will start", "did finish"}));
    EXPECT_EQ(alerts_.presented.back(),
              (Alert{AlertStyle::informational,
                     "Storage Location Changed",
                     "Clipboard data is now stored in:\n" + chosenStorage().string(),
                     {"OK"}}));
    // The reload after the move counts the copied history, not the null manager of the copy.
    ASSERT_TRUE(turnUntil([&] { return model->storageUsageSummary().itemCount == 2; }));
    EXPECT_EQ(model->dataDirectoryPath(), chosenStorage().string());
    EXPECT_TRUE(model->canResetDirectory());
    EXPECT_TRUE(model->canClearHistory());
}

TEST_F(StorageSettingsViewModelTest, CancelledMoveSaysNothingAndAFailedOneSaysWhyAfterBothShellCallbacks) {
    auto model = makeViewModel();
    ASSERT_TRUE(loaded(*model));
    alerts_.script({"Choose Directory"});
    picker_.script({std::nullopt});
    model->selectDirectory();
    ASSERT_TRUE(turnUntil([&] { return !model->isFlowRunning(); }));
    EXPECT_EQ(alerts_.presented.size(), 1u);
    EXPECT_TRUE(shellEvents_.empty());

    std::ofstream(directory_ / "plain-file") << "not a folder";
    alerts_.script({"Choose Directory", "Confirm Migration"});
    picker_.script({directory_ / "plain-file"});
    testing::LogCapture log;
    model->selectDirectory();
    ASSERT_TRUE(turnUntil([&] { return !model->isFlowRunning(); }));
    EXPECT_EQ(shellEvents_, (std::vector<std::string>{"will start", "did finish"}));
    // The cause in the system's words, not only a guess at permissions.
    EXPECT_EQ(
        alerts_.presented.back(),
        (Alert{AlertStyle::warning,
               "Failed to Change Location",
               "The data could not be copied: Not a directory.\nCheck folder permissions and try again.",
               {"OK"}}));
    EXPECT_EQ(model->dataDirectoryPath(), defaultStorage().string());
    EXPECT_FALSE(model->canResetDirectory());
}

TEST_F(StorageSettingsViewModelTest, LanguageChangeDuringAMoveRebuildsThePageAndTheMoveStillReachesTheShell) {
    saveText("a", "alpha");
    auto page = makeViewModel();
    ASSERT_TRUE(loaded(*page));
    alerts_.script({"Choose Directory", "Confirm Migration"});
    picker_.script({chosen()});
    page->selectDirectory();
    ASSERT_EQ(shellEvents_, std::vector<std::string>{"will start"});

    // The copy is on its way; the language changes and the settings window rebuilds its pages.
    defaults_.set(AppLanguage::defaultsKey, std::string("zh-Hans"));
    StandardAppLanguage language(defaults_);
    page.reset();
    auto rebuilt = makeViewModel();
    EXPECT_TRUE(rebuilt->isFlowRunning()) << "the buttons stay off on the new page";
    EXPECT_FALSE(rebuilt->canChangeDirectory());

    ASSERT_TRUE(turnUntil([&] { return !rebuilt->isFlowRunning(); }));
    EXPECT_EQ(shellEvents_, (std::vector<std::string>{"will start", "did finish"}));
    EXPECT_EQ(alerts_.presented.back().messageText, "存储位置已更改");
    ASSERT_TRUE(turnUntil([&] {
        return rebuilt->dataDirectoryPath() == chosenStorage().string() &&
               rebuilt->storageUsageSummary().itemCount == 1;
    }));
    EXPECT_TRUE(rebuilt->canResetDirectory());
    EXPECT_EQ(rebuilt->contentBreakdownText(), "1 条文本 · 0 条图片");
}

TEST_F(StorageSettingsViewModelTest, ClearTellsClearedOnlyWhenItHappenedAndOtherwiseWhyNot) {
    saveText("a", "alpha");
    saveText("b", "beta");
    auto model = makeViewModel();
    ASSERT_TRUE(loaded(*model));

    model->clearHistory();
    ASSERT_EQ(alerts_.heldCount(), 1u);
    EXPECT_EQ(alerts_.presented.back().buttonTitles, (std::vector<std::string>{"Cancel", "Clear History"}));
    EXPECT_FALSE(model->canClearHistory());
    EXPECT_FALSE(model->canChangeDirectory());
    ASSERT_TRUE(alerts_.answer("Cancel"));
    EXPECT_TRUE(model->canClearHistory());
    EXPECT_EQ(alerts_.presented.size(), 1u);

    alerts_.script({"Clear History"});
    model->clearHistory();
    EXPECT_EQ(alerts_.presented.back(),
              (Alert{AlertStyle::informational,
                     "Clipboard History Cleared",
                     "All saved clipboard history was removed from:\n~/.local/share/Quorvane/QuorvaneData",
                     {"OK"}}));
    ASSERT_TRUE(turnUntil([&] { return model->storageUsageSummary().itemCount == 0; }));
    EXPECT_FALSE(model->canClearHistory());

    // The services went away after the page counted: the clear cannot happen and the page says so.
    saveText("c", "gamma");
    model->loadStorageUsageSummary();
    ASSERT_TRUE(turnUntil([&] { return model->storageUsageSummary().itemCount == 1; }));
    services_.tearDownClipboardServices();
    alerts_.script({"Clear History"});
    testing::LogCapture log;
    model->clearHistory();
    EXPECT_EQ(
        alerts_.presented.back(),
        (Alert{AlertStyle::warning, "Failed to Clear History", "the history store is not open", {"OK"}}));
    EXPECT_TRUE(model->canChangeDirectory());
}

TEST_F(StorageSettingsViewModelTest, ClearRemovesTheFilesOpenWithAndDragOutLeftAndNothingElse) {
    saveText("a", "alpha");
    auto model = makeViewModel();
    ASSERT_TRUE(loaded(*model));
    fs::create_directories(runtimeFolder() / "QuorvaneDragItems");
    for (const fs::path& file : {runtimeFolder() / "Quorvane_a.txt",
                                 runtimeFolder() / "QuorvaneDragItems" / "Quorvane_a_1234abcd.png",
                                 runtimeFolder() / "instance.lock"}) {
        std::ofstream(file) << "alpha";
    }
    alerts_.script({"Clear History"});
    model->clearHistory();
    EXPECT_EQ(alerts_.presented.back().messageText, "Clipboard History Cleared");
    EXPECT_FALSE(fs::exists(runtimeFolder() / "Quorvane_a.txt"));
    EXPECT_FALSE(fs::exists(runtimeFolder() / "QuorvaneDragItems" / "Quorvane_a_1234abcd.png"));
    // The instance's own files stay.
    EXPECT_TRUE(fs::exists(runtimeFolder() / "instance.lock"));
}

TEST_F(StorageSettingsViewModelTest, ARefusedStorageFolderIsNamedWithWhatIsWrong) {
    auto model = makeViewModel();
    EXPECT_EQ(model->storageRefusalText(), "");
    manager_.setStorageRefusal(
        StoragePrivacyError(StoragePrivacyError::Problem::writableByOthers, defaultStorage(), "writable"));
    EXPECT_EQ(
        model->storageRefusalText(),
        "Other users can write to ~/.local/share/Quorvane/QuorvaneData, so the clipboard history is not "
        "opened there. Remove their write access or choose another folder.");
    manager_.setStorageRefusal(
        StoragePrivacyError(StoragePrivacyError::Problem::foreignOwner, chosenStorage(), "foreign"));
    EXPECT_EQ(
        model->storageRefusalText(),
        chosenStorage().string() +
            " belongs to another user, so the clipboard history is not opened there. Choose a folder of "
            "your own.");
    manager_.setStorageRefusal(std::nullopt);
    EXPECT_EQ(model->storageRefusalText(), "");
}

TEST_F(StorageSettingsViewModelTest, ClearNamesTheFoldersBackupsAndRemovesThemWithTheHistory) {
    saveText("a", "alpha");
    // Left by two earlier moves into this folder and one damaged index set aside; the user's own file stays.
    const std::string old(1500, 'x');
    std::ofstream(defaultStorage() / "clipboard_history.sqlite.backup_1700000000") << old;
    std::ofstream(defaultStorage() / "clipboard_history.sqlite.backup_1700000000-wal") << old;
    std::ofstream(defaultStorage() / "clipboard_history.sqlite.backup_1710000000") << old;
    std::ofstream(defaultStorage() / "clipboard_search.sqlite.corrupt-20250101T000000Z") << old;
    std::ofstream(defaultStorage() / "notes.txt") << "mine";
    auto model = makeViewModel();
    ASSERT_TRUE(loaded(*model));

    model->clearHistory();
    ASSERT_EQ(alerts_.heldCount(), 1u);
    EXPECT_NE(alerts_.presented.back().informativeText.find(
                  "The folder also holds 3 backup copies of the history (6 kB) left by earlier moves"),
              std::string::npos)
        << alerts_.presented.back().informativeText;
    // Cancelled: nothing goes.
    ASSERT_TRUE(alerts_.answer("Cancel"));
    EXPECT_EQ(StorageBackups::summarize(defaultStorage()).count, 3);

    alerts_.script({"Clear History"});
    model->clearHistory();
    EXPECT_EQ(alerts_.presented.back().messageText, "Clipboard History Cleared");
    EXPECT_EQ(StorageBackups::entries(defaultStorage()), std::vector<fs::path>{});
    EXPECT_TRUE(fs::exists(defaultStorage() / "notes.txt"));
    EXPECT_TRUE(fs::exists(defaultStorage() / "clipboard_history.sqlite"));

    // Without backups the confirmation says nothing of them.
    saveText("b", "beta");
    model->loadStorageUsageSummary();
    ASSERT_TRUE(turnUntil([&] { return model->storageUsageSummary().itemCount == 1; }));
    model->clearHistory();
    EXPECT_EQ(alerts_.presented.back().informativeText.find("backup"), std::string::npos);
    ASSERT_TRUE(alerts_.answer("Cancel"));
}

TEST_F(StorageSettingsViewModelTest, ARunningCopyShowsTheMoveInsteadOfTheClosedServicesEmptyHistory) {
    saveText("a", "alpha");
    auto model = makeViewModel();
    ASSERT_TRUE(loaded(*model));
    // What the copy's worker reports while the services are closed and answer with an empty history.
    manager_.setStorageMoveCopying(true);
    manager_.storageMoveBytesCopied().store(3'400'000);
    services_.tearDownClipboardServices();
    model->loadStorageUsageSummary();
    ASSERT_TRUE(turnUntil([&] { return model->storageUsageSummary().itemCount == 0; }));
    EXPECT_TRUE(model->isMoving());
    EXPECT_EQ(model->itemCountText(), "Moving…");
    EXPECT_EQ(model->diskUsageText(), "3.4 MB copied");
    EXPECT_EQ(model->lastSavedText(), "Moving…");
    EXPECT_EQ(model->contentBreakdownText(), "Moving…");
    EXPECT_NE(model->clearHistoryDescriptionText().find("being copied"), std::string::npos);

    manager_.setStorageMoveCopying(false);
    services_.buildClipboardServices();
    model->loadStorageUsageSummary();
    ASSERT_TRUE(turnUntil([&] { return model->storageUsageSummary().itemCount == 1; }));
    EXPECT_EQ(model->itemCountText(), "1");
    EXPECT_NE(model->lastSavedText(), "No history yet");
}

TEST_F(StorageSettingsViewModelTest, ClearRefusedByTheStoreIsReportedWithItsReason) {
    saveText("a", "alpha");
    auto model = makeViewModel();
    ASSERT_TRUE(loaded(*model));
    // Another window's move starts while the confirmation is open.
    model->clearHistory();
    ASSERT_TRUE(manager_.beginStorageMove());
    testing::LogCapture log;
    ASSERT_TRUE(alerts_.answer("Clear History"));
    manager_.endStorageMove();
    EXPECT_EQ(alerts_.presented.back().messageText, "Failed to Clear History");
    EXPECT_EQ(alerts_.presented.back().informativeText, "the storage directory is being moved");
    EXPECT_TRUE(
        log.contains("ERROR", "Failed to clear clipboard history: the storage directory is being moved"));
    model->loadStorageUsageSummary();
    ASSERT_TRUE(turnUntil([&] { return model->storageUsageSummary().itemCount == 1; }));
}

TEST(StorageSettingsFormattingTest, FiguresFollowTheInterfaceLanguage) {
    const AppLanguage english = AppLanguage::english;
    const AppLanguage chinese = AppLanguage::simplifiedChinese;
    EXPECT_EQ(StorageSettingsFormatting::countText(1234567, english), "1,234,567");
    EXPECT_EQ(StorageSettingsFormatting::countText(0, chinese), "0");
    EXPECT_EQ(StorageSettingsFormatting::byteCountText(0, english), "0 bytes");
    EXPECT_EQ(StorageSettingsFormatting::byteCountText(-5, chinese), "0 字节");
    EXPECT_EQ(StorageSettingsFormatting::byteCountText(1, english), "1 byte");
    EXPECT_EQ(StorageSettingsFormatting::byteCountText(999, english), "999 bytes");
    EXPECT_EQ(StorageSettingsFormatting::byteCountText(1000, english), "1 kB");
    EXPECT_EQ(StorageSettingsFormatting::byteCountText(999'499, english), "999 kB");
    // Rounding would give "1,000 kB": the next unit takes over.
    EXPECT_EQ(StorageSettingsFormatting::byteCountText(999'600, english), "1 MB");
    EXPECT_EQ(StorageSettingsFormatting::byteCountText(1'250'000, english), "1.2 MB");
    EXPECT_EQ(StorageSettingsFormatting::byteCountText(3'456'000'000, english), "3.46 GB");
    EXPECT_EQ(StorageSettingsFormatting::relativeTimeText(Date(1000), Date(1000 + 7200), english),
              "2 hr. ago");
}

}  // namespace
}  // namespace quorvane
