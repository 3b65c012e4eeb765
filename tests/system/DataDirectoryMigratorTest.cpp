#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "platform/memory/FakeAlertPresenter.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/FakeFolderPicker.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "support/LogCapture.h"
#include "support/TemporaryDirectory.h"
#include "system/DataDirectoryMigrator.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using testing::LogCapture;

// Stands in for the container: remembers what it was asked and what the storage looked like then.
class RecordingServices final : public ClipboardServicesLifecycle {
public:
    RecordingServices(const DataDirectoryManager& manager, fs::path watchedTarget)
        : manager_(manager), watchedTarget_(std::move(watchedTarget)) {}

    void tearDownClipboardServices() override {
        std::error_code error;
        events.push_back(fs::exists(watchedTarget_ / "clipboard_history.sqlite", error)
                             ? "tear down after copy"
                             : "tear down");
    }
    void buildClipboardServices() override {
        events.push_back("build on " + manager_.storageDirectoryURL().string());
    }

    std::vector<std::string> events;

private:
    const DataDirectoryManager& manager_;
    fs::path watchedTarget_;
};

class DataDirectoryMigratorTest : public ::testing::Test {
protected:
    DataDirectoryMigratorTest() {
        environment_["HOME"] = home().string();
        write(defaultStorage() / "clipboard_history.sqlite", "history");
        write(defaultStorage() / "clipboard_search.sqlite", "index");
        fs::create_directories(chosen());
    }

    static void write(const fs::path& file, const std::string& contents) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << contents;
    }
    static std::string read(const fs::path& file) {
        std::ifstream stream(file);
        return std::string(std::istreambuf_iterator<char>(stream), {});
    }

    fs::path home() const { return directory_ / "home"; }
    fs::path defaultStorage() const { return home() / ".local/share/Quorvane/QuorvaneData"; }
    fs::path chosen() const { return directory_ / "media" / "clips"; }
    fs::path chosenStorage() const { return chosen() / "QuorvaneData"; }

    // Starts a flow and returns where its completions are recorded.
    std::shared_ptr<std::vector<bool>> change() {
        auto outcomes = std::make_shared<std::vector<bool>>();
        migrator_.changeStorageDirectory([this] { services_.events.push_back("will start"); },
                                         [outcomes](bool switched) { outcomes->push_back(switched); });
        return outcomes;
    }
    std::shared_ptr<std::vector<bool>> reset() {
        auto outcomes = std::make_shared<std::vector<bool>>();
        migrator_.resetToDefaultDirectory([this] { services_.events.push_back("will start"); },
                                          [outcomes](bool switched) { outcomes->push_back(switched); });
        return outcomes;
    }
    // Lets the copy finish and its report arrive.
    void settle() {
        migrator_.waitForCopies();
        loop_.runUntilIdle();
    }

    testing::TemporaryDirectory directory_;
    std::map<std::string, std::string> environment_;
    InMemoryUserDefaults defaults_;
    RecordingWorkspaceOpener workspace_;
    DataDirectoryManager manager_{
        defaults_, workspace_, [this](const std::string& name) {
            auto found = environment_.find(name);
            return found == environment_.end() ? std::nullopt : std::optional<std::string>(found->second);
        }};
    FakeClock clock_{Date(1'750'000'000.0)};
    ManualRunLoop loop_{clock_};
    RecordingServices services_{manager_, chosenStorage()};
    FakeAlertPresenter alerts_;
    FakeFolderPicker picker_;
    DataDirectoryMigrator migrator_{manager_, services_, alerts_, picker_, loop_, clock_};
};

TEST_F(DataDirectoryMigratorTest, ChangeAsksPicksConfirmsThenCopiesSwitchesAndRebuilds) {
    alerts_.script({"Choose Directory", "Confirm Migration"});
    picker_.script({chosen()});
    const auto outcomes = change();
    EXPECT_TRUE(manager_.isStorageMoveRunning());
    settle();

    ASSERT_EQ(*outcomes, std::vector<bool>{true});
    EXPECT_FALSE(manager_.isStorageMoveRunning());
    // The services closed before the copy and came back on the new directory.
    EXPECT_EQ(services_.events,
              (std::vector<std::string>{"will start", "tear down", "build on " + chosenStorage().string()}));
    EXPECT_EQ(manager_.storageDirectoryURL(), chosenStorage());
    EXPECT_EQ(defaults_.stringValue("CustomDataDirectory"), chosen().string());
    EXPECT_EQ(read(chosenStorage() / "clipboard_history.sqlite"), "history");
    // Copied, not moved.
    EXPECT_EQ(read(defaultStorage() / "clipboard_history.sqlite"), "history");

    ASSERT_EQ(alerts_.presented.size(), 2u);
    EXPECT_EQ(alerts_.presented[0],
              (Alert{AlertStyle::warning,
                     "Change Storage Directory",
                     "Existing clipboard data will be copied to the new directory. Continue?",
                     {"Cancel", "Choose Directory"}}));
    EXPECT_EQ(alerts_.presented[1],
              (Alert{AlertStyle::critical,
                     "Confirm Change",
                     "Clipboard data will be copied to:\n" + chosenStorage().string() + "\n\nContinue?",
                     {"Cancel", "Confirm Migration"}}));
    EXPECT_EQ(picker_.requests,
              (std::vector<FolderPickerRequest>{{"Select Storage Directory",
                                                 "Choose a directory to store clipboard history data.",
                                                 defaultStorage().parent_path()}}));
}

TEST_F(DataDirectoryMigratorTest, CancelAtEveryStepChangesNothing) {
    struct Step {
        const char* name;
        std::vector<std::optional<std::string>> answers;
        std::vector<std::optional<fs::path>> folders;
    };
    const std::vector<Step> steps = {
        {"cancel in the first alert", {"Cancel"}, {}},
        {"first alert dismissed", {std::nullopt}, {}},
        {"picker cancelled", {"Choose Directory"}, {std::nullopt}},
        {"cancel in the confirmation", {"Choose Directory", "Cancel"}, {chosen()}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        alerts_.script(step.answers);
        picker_.script(step.folders);
        const auto outcomes = change();
        // Reported on a later turn, never inside the call.
        EXPECT_TRUE(outcomes->empty());
        settle();
        EXPECT_EQ(*outcomes, std::vector<bool>{false});
        EXPECT_TRUE(services_.events.empty());
        EXPECT_FALSE(fs::exists(chosenStorage()));
        EXPECT_EQ(manager_.storageDirectoryURL(), defaultStorage());
        EXPECT_FALSE(defaults_.contains("CustomDataDirectory"));
        EXPECT_FALSE(manager_.isStorageMoveRunning());
    }
    // The picker opened only where the first alert said go on.
    EXPECT_EQ(picker_.requests.size(), 2u);

    alerts_.script({"Cancel"});
    const auto outcomes = reset();
    settle();
    EXPECT_EQ(*outcomes, std::vector<bool>{false});
    EXPECT_TRUE(services_.events.empty());
}

TEST_F(DataDirectoryMigratorTest, OutcomeTellsCancelledFromFailedAndSwitched) {
    std::vector<StorageMoveOutcome> outcomes;
    const auto record = [&outcomes](StorageMoveOutcome outcome) { outcomes.push_back(outcome); };

    alerts_.script({"Choose Directory"});
    picker_.script({std::nullopt});
    migrator_.changeStorageDirectory(nullptr, record);
    settle();
    // A refusal that explained itself in an alert needs no second message either.
    alerts_.script({"Choose Directory", "OK"});
    picker_.script({defaultStorage() / "inside"});
    migrator_.changeStorageDirectory(nullptr, record);
    settle();
    // A copy that cannot write its target fails.
    write(directory_ / "plain-file", "not a folder");
    alerts_.script({"Choose Directory", "Confirm Migration"});
    picker_.script({directory_ / "plain-file"});
    LogCapture log;
    migrator_.changeStorageDirectory(nullptr, record);
    settle();
    alerts_.script({"Choose Directory", "Confirm Migration"});
    picker_.script({chosen()});
    migrator_.changeStorageDirectory(nullptr, record);
    settle();
    alerts_.script({"Cancel"});
    migrator_.resetToDefaultDirectory(nullptr, record);
    settle();

    EXPECT_EQ(outcomes,
              (std::vector<StorageMoveOutcome>{StorageMoveOutcome::cancelled, StorageMoveOutcome::cancelled,
                                               StorageMoveOutcome::failed, StorageMoveOutcome::switched,
                                               StorageMoveOutcome::cancelled}));
    EXPECT_EQ(manager_.storageDirectoryURL(), chosenStorage());
}

TEST_F(DataDirectoryMigratorTest, TargetThatIsOrLiesInsideTheCurrentDirectoryIsRefused) {
    const fs::path current = defaultStorage();
    fs::create_directory_symlink(current.parent_path(), directory_ / "alias");
    for (const fs::path& folder : {current.parent_path(), current, directory_ / "alias", current / "sub"}) {
        SCOPED_TRACE(folder.string());
        alerts_.presented.clear();
        alerts_.script({"Choose Directory", "OK"});
        picker_.script({folder});
        LogCapture log;
        const auto outcomes = change();
        settle();
        EXPECT_EQ(*outcomes, std::vector<bool>{false});
        ASSERT_EQ(alerts_.presented.size(), 2u);
        EXPECT_EQ(alerts_.presented[1].messageText, "Choose Another Directory");
        EXPECT_NE(alerts_.presented[1].informativeText.find(current.string()), std::string::npos);
        EXPECT_TRUE(services_.events.empty());
        EXPECT_EQ(manager_.storageDirectoryURL(), current);
        EXPECT_FALSE(fs::exists(current / "QuorvaneData"));
        EXPECT_FALSE(fs::exists(current / "clipboard_history.sqlite.backup_1750000000"));
    }
}

TEST_F(DataDirectoryMigratorTest, EnvironmentOverrideRefusesBothFlowsAndSaysWhy) {
    environment_["QUORVANE_STORAGE_DIRECTORY"] = (directory_ / "fixed").string();
    for (bool resetting : {false, true}) {
        alerts_.presented.clear();
        alerts_.script({"OK"});
        const auto outcomes = resetting ? reset() : change();
        settle();
        EXPECT_EQ(*outcomes, std::vector<bool>{false});
        ASSERT_EQ(alerts_.presented.size(), 1u);
        EXPECT_EQ(alerts_.presented[0].messageText, "Storage Directory Set by the Environment");
        EXPECT_NE(alerts_.presented[0].informativeText.find("QUORVANE_STORAGE_DIRECTORY"), std::string::npos);
        EXPECT_NE(alerts_.presented[0].informativeText.find((directory_ / "fixed").string()),
                  std::string::npos);
    }
    EXPECT_TRUE(picker_.requests.empty());
    EXPECT_TRUE(services_.events.empty());
}

TEST_F(DataDirectoryMigratorTest, FailedCopyKeepsTheOldDirectoryAndStillRebuilds) {
    write(directory_ / "plain-file", "not a folder");
    alerts_.script({"Choose Directory", "Confirm Migration"});
    picker_.script({directory_ / "plain-file"});
    LogCapture log;
    const auto outcomes = change();
    settle();

    EXPECT_EQ(*outcomes, std::vector<bool>{false});
    EXPECT_TRUE(log.contains("ERROR", "Failed to migrate storage directory: "));
    EXPECT_EQ(services_.events,
              (std::vector<std::string>{"will start", "tear down", "build on " + defaultStorage().string()}));
    EXPECT_FALSE(defaults_.contains("CustomDataDirectory"));
    EXPECT_EQ(read(defaultStorage() / "clipboard_history.sqlite"), "history");
}

TEST_F(DataDirectoryMigratorTest, ResetCopiesBackAndForgetsTheChosenFolder) {
    manager_.applyCustomDirectory(chosen());
    write(chosenStorage() / "clipboard_history.sqlite", "newer history");
    alerts_.script({"Confirm Reset"});
    const auto outcomes = reset();
    settle();

    EXPECT_EQ(*outcomes, std::vector<bool>{true});
    EXPECT_EQ(alerts_.presented.at(0), (Alert{AlertStyle::warning,
                                              "Reset to Default Directory",
                                              "Clipboard data will be copied back to the default directory:\n"
                                              "~/.local/share/Quorvane/QuorvaneData\n\nContinue?"
                                              // The default folder's own history is not lost: it is said.
                                              "\n\nThis folder already holds a clipboard history file. It "
                                              "will be kept beside the copy as a backup.",
                                              {"Cancel", "Confirm Reset"}}));
    EXPECT_EQ(services_.events.front(), "will start");
    EXPECT_EQ(services_.events.back(), "build on " + defaultStorage().string());
    EXPECT_FALSE(defaults_.contains("CustomDataDirectory"));
    EXPECT_FALSE(defaults_.contains("CustomDataDirectoryBookmark"));
    EXPECT_EQ(read(defaultStorage() / "clipboard_history.sqlite"), "newer history");
    EXPECT_EQ(read(defaultStorage() / "clipboard_history.sqlite.backup_1750000000"), "history");
}

TEST_F(DataDirectoryMigratorTest, ResetWithNothingToMoveOnlyForgetsTheFolder) {
    // Never chose a folder: nothing copied, nothing rebuilt, the hook not called.
    alerts_.script({"Confirm Reset"});
    auto outcomes = reset();
    settle();
    EXPECT_EQ(*outcomes, std::vector<bool>{true});
    EXPECT_TRUE(services_.events.empty());
    EXPECT_FALSE(fs::exists(defaultStorage() / "clipboard_history.sqlite.backup_1750000000"));

    // A chosen folder without a history file: forgotten, and the services follow to the default directory.
    manager_.applyCustomDirectory(chosen());
    fs::create_directories(chosenStorage());
    alerts_.script({"Confirm Reset"});
    outcomes = reset();
    settle();
    EXPECT_EQ(*outcomes, std::vector<bool>{true});
    EXPECT_EQ(services_.events,
              (std::vector<std::string>{"tear down", "build on " + defaultStorage().string()}));
    EXPECT_FALSE(defaults_.contains("CustomDataDirectory"));
    EXPECT_EQ(manager_.storageDirectoryURL(), defaultStorage());
}

TEST_F(DataDirectoryMigratorTest, SecondFlowWhileOneRunsIsRefusedAndTheFirstGoesOn) {
    // The first flow waits in its first alert.
    const auto first = change();
    ASSERT_EQ(alerts_.heldCount(), 1u);
    LogCapture log;
    const auto second = change();
    const auto third = reset();
    loop_.runUntilIdle();
    EXPECT_EQ(*second, std::vector<bool>{false});
    EXPECT_EQ(*third, std::vector<bool>{false});
    EXPECT_EQ(log.count("another one is running"), 2u);
    EXPECT_EQ(alerts_.presented.size(), 1u);
    EXPECT_TRUE(manager_.isStorageMoveRunning());

    picker_.script({chosen()});
    alerts_.script({"Confirm Migration"});
    ASSERT_TRUE(alerts_.answer("Choose Directory"));
    settle();
    EXPECT_EQ(*first, std::vector<bool>{true});
    EXPECT_EQ(manager_.storageDirectoryURL(), chosenStorage());

    // Once it has reported, the next flow may run.
    alerts_.script({"Cancel"});
    const auto fourth = reset();
    settle();
    EXPECT_EQ(*fourth, std::vector<bool>{false});
    EXPECT_EQ(alerts_.presented.size(), 3u);
}

TEST_F(DataDirectoryMigratorTest, MigratorGoneWhileAnAlertIsOpenEndsTheFlowWithFalse) {
    auto migrator =
        std::make_unique<DataDirectoryMigrator>(manager_, services_, alerts_, picker_, loop_, clock_);
    auto outcomes = std::make_shared<std::vector<bool>>();
    migrator->changeStorageDirectory(nullptr, [outcomes](bool switched) { outcomes->push_back(switched); });
    migrator.reset();
    ASSERT_TRUE(alerts_.answer("Choose Directory"));
    loop_.runUntilIdle();
    EXPECT_EQ(*outcomes, std::vector<bool>{false});
    EXPECT_TRUE(picker_.requests.empty());
    EXPECT_FALSE(manager_.isStorageMoveRunning());
}

}  // namespace
}  // namespace quorvane
