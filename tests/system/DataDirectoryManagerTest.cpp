#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <map>

#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "support/LogCapture.h"
#include "support/TemporaryDirectory.h"
#include "system/DataDirectoryManager.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

class DataDirectoryManagerTest : public ::testing::Test {
protected:
    DataDirectoryManagerTest() { environment_["HOME"] = (directory_ / "home").string(); }

    std::unique_ptr<DataDirectoryManager> makeManager() {
        return std::make_unique<DataDirectoryManager>(defaults_, workspace_, [this](const std::string& name) {
            auto found = environment_.find(name);
            return found == environment_.end() ? std::nullopt : std::optional<std::string>(found->second);
        });
    }
    fs::path home() const { return directory_ / "home"; }

    testing::TemporaryDirectory directory_;
    std::map<std::string, std::string> environment_;
    InMemoryUserDefaults defaults_;
    RecordingWorkspaceOpener workspace_;
};

TEST_F(DataDirectoryManagerTest, DefaultFollowsXdgDataHomeAndFallsBackToLocalShare) {
    EXPECT_EQ(makeManager()->storageDirectoryURL(), home() / ".local/share/Quorvane/QuorvaneData");
    environment_["XDG_DATA_HOME"] = "";
    EXPECT_EQ(makeManager()->storageDirectoryURL(), home() / ".local/share/Quorvane/QuorvaneData");
    environment_["XDG_DATA_HOME"] = "relative/data";
    EXPECT_EQ(makeManager()->storageDirectoryURL(), home() / ".local/share/Quorvane/QuorvaneData");
    environment_["XDG_DATA_HOME"] = "/srv/data/";
    auto manager = makeManager();
    EXPECT_EQ(manager->storageDirectoryURL(), fs::path("/srv/data/Quorvane/QuorvaneData"));
    EXPECT_EQ(manager->defaultBaseDirectoryURL(), fs::path("/srv/data/Quorvane"));
    EXPECT_EQ(manager->databaseFileURL(),
              fs::path("/srv/data/Quorvane/QuorvaneData/clipboard_history.sqlite"));
}

TEST_F(DataDirectoryManagerTest, EnvironmentOverrideWinsIsStandardisedAndGetsNothingAppended) {
    defaults_.set("CustomDataDirectory", "/media/clips");
    environment_["QUORVANE_STORAGE_DIRECTORY"] = "/tmp/x/../y/";
    auto manager = makeManager();
    EXPECT_EQ(manager->storageDirectoryURL(), fs::path("/tmp/y"));
    environment_["QUORVANE_STORAGE_DIRECTORY"] = "";
    EXPECT_EQ(manager->storageDirectoryURL(), fs::path("/media/clips/QuorvaneData"));
    // Never persisted.
    EXPECT_EQ(defaults_.stringValue("CustomDataDirectory"), std::optional<std::string>("/media/clips"));
}

TEST_F(DataDirectoryManagerTest, StoredPathIsUsedWhenNoBookmarkAndEmptyPathMeansDefault) {
    defaults_.set("CustomDataDirectory", "/Volumes/Data/Clips");
    EXPECT_EQ(makeManager()->storageDirectoryURL(), fs::path("/Volumes/Data/Clips/QuorvaneData"));
    defaults_.set("CustomDataDirectory", "");
    auto manager = makeManager();
    EXPECT_EQ(manager->activeCustomDirectoryURL(), std::nullopt);
    EXPECT_EQ(manager->storageDirectoryURL(), home() / ".local/share/Quorvane/QuorvaneData");
}

TEST_F(DataDirectoryManagerTest, BookmarkOfAnExistingFolderWinsAndRewritesTheStoredPath) {
    const fs::path chosen = directory_ / "chosen";
    fs::create_directories(chosen);
    const std::string path = chosen.string();
    defaults_.set("CustomDataDirectoryBookmark", Data(path.begin(), path.end()));
    defaults_.set("CustomDataDirectory", "/somewhere/else");
    auto manager = makeManager();
    EXPECT_EQ(manager->storageDirectoryURL(), chosen / "QuorvaneData");
    EXPECT_EQ(defaults_.stringValue("CustomDataDirectory"), std::optional<std::string>(path));
}

TEST_F(DataDirectoryManagerTest, BookmarkOfAGoneFolderWarnsOnceKeepsTheDataAndUsesTheStoredPath) {
    const std::string gone = (directory_ / "unplugged").string();
    const Data bookmark(gone.begin(), gone.end());
    defaults_.set("CustomDataDirectoryBookmark", bookmark);
    defaults_.set("CustomDataDirectory", gone);
    testing::LogCapture log;
    auto manager = makeManager();
    EXPECT_EQ(log.count("Failed to resolve storage bookmark: "), 1u);
    EXPECT_TRUE(log.contains("WARNING", "[DataDirectoryManager]"));
    EXPECT_EQ(defaults_.dataValue("CustomDataDirectoryBookmark"), bookmark);
    EXPECT_EQ(manager->storageDirectoryURL(), fs::path(gone) / "QuorvaneData");
}

TEST_F(DataDirectoryManagerTest, BookmarkWarningNamesTheFolderAndWhyItWasNotTaken) {
    const auto warningFor = [&](const std::string& bookmark) {
        defaults_.set("CustomDataDirectoryBookmark", Data(bookmark.begin(), bookmark.end()));
        testing::LogCapture log;
        makeManager();
        std::string text;
        for (const auto& line : log.lines()) text += line + "\n";
        return text;
    };
    const std::string gone = (directory_ / "unplugged").string();
    EXPECT_NE(warningFor(gone).find("the folder \"" + gone + "\" no longer exists"), std::string::npos);
    const auto file = directory_ / "a-file";
    std::ofstream(file) << "x";
    EXPECT_NE(warningFor(file.string()).find("\"" + file.string() + "\" is no folder"), std::string::npos);
    EXPECT_NE(warningFor("relative/clips").find("no absolute path: \"relative/clips\""), std::string::npos);
    EXPECT_NE(warningFor("").find("the bookmark holds no folder"), std::string::npos);
}

TEST_F(DataDirectoryManagerTest, ApplyingAndClearingACustomFolderUpdatesBothKeys) {
    const fs::path chosen = directory_ / "chosen";
    fs::create_directories(chosen);
    auto manager = makeManager();
    manager->applyCustomDirectory(chosen / "sub" / "..");
    EXPECT_EQ(manager->storageDirectoryURL(), chosen / "QuorvaneData");
    EXPECT_EQ(defaults_.stringValue("CustomDataDirectory"), std::optional<std::string>(chosen.string()));
    ASSERT_TRUE(defaults_.dataValue("CustomDataDirectoryBookmark").has_value());
    // A later run finds the same folder.
    EXPECT_EQ(makeManager()->storageDirectoryURL(), chosen / "QuorvaneData");

    testing::LogCapture log;
    manager->applyCustomDirectory(directory_ / "missing");
    EXPECT_EQ(log.count("Failed to create storage bookmark: "), 1u);
    EXPECT_FALSE(defaults_.contains("CustomDataDirectoryBookmark"));
    EXPECT_EQ(manager->storageDirectoryURL(), directory_ / "missing" / "QuorvaneData");

    manager->applyCustomDirectory(std::nullopt);
    EXPECT_FALSE(defaults_.contains("CustomDataDirectory"));
    EXPECT_FALSE(defaults_.contains("CustomDataDirectoryBookmark"));
    EXPECT_EQ(manager->storageDirectoryURL(), home() / ".local/share/Quorvane/QuorvaneData");
}

TEST_F(DataDirectoryManagerTest, EnsureCreatesPrivateDirectoriesAndReportsAFileInTheWay) {
    auto manager = makeManager();
    manager->ensureStorageDirectoryExists();
    manager->ensureStorageDirectoryExists();  // existing is fine
    for (const fs::path& created :
         {home(), home() / ".local", home() / ".local/share/Quorvane", manager->storageDirectoryURL()}) {
        struct stat info {};
        ASSERT_EQ(::stat(created.c_str(), &info), 0) << created;
        EXPECT_EQ(info.st_mode & 0777, 0700u) << created;
    }
    const fs::path blocker = directory_ / "blocker";
    std::ofstream(blocker) << "a file";
    environment_["QUORVANE_STORAGE_DIRECTORY"] = (blocker / "data").string();
    EXPECT_THROW(manager->ensureStorageDirectoryExists(), fs::filesystem_error);
}

TEST_F(DataDirectoryManagerTest, DisplayPathAbbreviatesHomeOnlyAtAPathBoundary) {
    environment_["HOME"] = "/home/ann";
    auto manager = makeManager();
    EXPECT_EQ(manager->displayPath("/home/ann/Clips"), "~/Clips");
    EXPECT_EQ(manager->displayPath("/home/ann"), "~");
    EXPECT_EQ(manager->displayPath("/home/anna/x"), "/home/anna/x");
    EXPECT_EQ(manager->displayPath("/srv/clips"), "/srv/clips");
}

TEST_F(DataDirectoryManagerTest, RevealOpensTheDirectoryOrItsParentWhileItIsMissing) {
    auto manager = makeManager();
    manager->revealInFileManager();
    manager->ensureStorageDirectoryExists();
    manager->revealInFileManager();
    ASSERT_EQ(workspace_.openedFiles.size(), 2u);
    EXPECT_EQ(workspace_.openedFiles[0], home() / ".local/share/Quorvane");
    EXPECT_EQ(workspace_.openedFiles[1], manager->storageDirectoryURL());
}

}  // namespace
}  // namespace quorvane
