#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "support/LogCapture.h"
#include "support/TemporaryDirectory.h"
#include "system/StoragePrivacy.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

// Another user's id, for files chown'ed to them (needs root).
constexpr uid_t kOtherUser = 65534;

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

class StoragePrivacyTest : public ::testing::Test {
protected:
    StoragePrivacyTest() {
        fs::create_directories(folder());
        ::chmod(folder().c_str(), 0700);
    }
    fs::path folder() const { return directory_ / "QuorvaneData"; }
    void touch(const fs::path& file, mode_t mode) {
        std::ofstream(file) << "db";
        ::chmod(file.c_str(), mode);
    }
    // The refusal's problem, or nothing when the folder was accepted.
    std::optional<StoragePrivacyError::Problem> refusal(std::string* message = nullptr) {
        try {
            StoragePrivacy::ensurePrivate(folder());
            return std::nullopt;
        } catch (const StoragePrivacyError& error) {
            if (message) *message = error.what();
            return error.problem();
        }
    }

    testing::TemporaryDirectory directory_;
};

TEST_F(StoragePrivacyTest, ReadableModesAreNarrowedWithAWarningAndAPrivateFolderIsLeftAlone) {
    touch(folder() / "clipboard_history.sqlite", 0600);
    touch(folder() / "clipboard_search.sqlite", 0644);
    touch(folder() / "clipboard_search.sqlite-wal", 0640);
    testing::LogCapture log;
    EXPECT_EQ(refusal(), std::nullopt);
    EXPECT_EQ(modeOf(folder() / "clipboard_search.sqlite"), 0600u);
    EXPECT_EQ(modeOf(folder() / "clipboard_search.sqlite-wal"), 0600u);
    EXPECT_EQ(modeOf(folder() / "clipboard_history.sqlite"), 0600u);
    EXPECT_EQ(log.count("could be read by other users"), 2u);

    ::chmod(folder().c_str(), 0755);
    EXPECT_EQ(refusal(), std::nullopt);
    EXPECT_EQ(modeOf(folder()), 0700u);
    // Files that are not databases are not its business.
    touch(folder() / "notes.txt", 0644);
    EXPECT_EQ(refusal(), std::nullopt);
    EXPECT_EQ(modeOf(folder() / "notes.txt"), 0644u);
}

TEST_F(StoragePrivacyTest, WhatOthersCanWriteToIsRefusedWithItsPathAndKeptAsItWas) {
    std::string message;
    ::chmod(folder().c_str(), 0777);
    EXPECT_EQ(refusal(&message), StoragePrivacyError::Problem::writableByOthers);
    EXPECT_NE(message.find(folder().string() + " can be written by other users (mode 0777)"),
              std::string::npos)
        << message;
    EXPECT_EQ(modeOf(folder()), 0777u);

    // A folder others could enter let them write to a wide database in it.
    ::chmod(folder().c_str(), 0711);
    touch(folder() / "clipboard_history.sqlite", 0620);
    EXPECT_EQ(refusal(&message), StoragePrivacyError::Problem::writableByOthers);
    EXPECT_NE(message.find("The database file " + (folder() / "clipboard_history.sqlite").string()),
              std::string::npos)
        << message;
    EXPECT_EQ(modeOf(folder() / "clipboard_history.sqlite"), 0620u);

    // So did a second name for it elsewhere, even behind a private folder.
    ::chmod(folder().c_str(), 0700);
    fs::create_hard_link(folder() / "clipboard_history.sqlite", directory_ / "elsewhere");
    EXPECT_EQ(refusal(&message), StoragePrivacyError::Problem::writableByOthers);
    EXPECT_EQ(modeOf(folder() / "clipboard_history.sqlite"), 0620u);
}

TEST_F(StoragePrivacyTest, OwnWritableDatabasesBehindAPrivateFolderAreNarrowedAndKept) {
    touch(folder() / "clipboard_history.sqlite", 0666);
    touch(folder() / "clipboard_history.sqlite-wal", 0622);
    testing::LogCapture log;
    EXPECT_EQ(refusal(), std::nullopt);
    EXPECT_EQ(modeOf(folder() / "clipboard_history.sqlite"), 0600u);
    EXPECT_EQ(modeOf(folder() / "clipboard_history.sqlite-wal"), 0600u);
    EXPECT_TRUE(log.contains("WARNING", (folder() / "clipboard_history.sqlite").string() +
                                            " could be written by other users (mode 0666); it is 0600 now"));
    std::string kept;
    std::ifstream(folder() / "clipboard_history.sqlite") >> kept;
    EXPECT_EQ(kept, "db");
}

TEST_F(StoragePrivacyTest, WhatAnotherUserOwnsIsRefusedEvenWhenItsModesArePrivate) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
    ASSERT_EQ(::chown(folder().c_str(), kOtherUser, kOtherUser), 0);
    std::string message;
    EXPECT_EQ(refusal(&message), StoragePrivacyError::Problem::foreignOwner);
    EXPECT_NE(message.find("belongs to another user (uid 65534)"), std::string::npos) << message;

    // A planted, empty database in a folder of ours.
    ASSERT_EQ(::chown(folder().c_str(), ::geteuid(), ::getegid()), 0);
    touch(folder() / "clipboard_history.sqlite", 0600);
    ASSERT_EQ(::chown((folder() / "clipboard_history.sqlite").c_str(), kOtherUser, kOtherUser), 0);
    EXPECT_EQ(refusal(&message), StoragePrivacyError::Problem::foreignOwner);
    EXPECT_NE(message.find("clipboard_history.sqlite"), std::string::npos) << message;
}

}  // namespace
}  // namespace quorvane
