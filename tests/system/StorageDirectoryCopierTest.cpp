#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/memory/FakeClock.h"
#include "support/LogCapture.h"
#include "support/ReadOnlyDirectory.h"
#include "support/TemporaryDirectory.h"
#include "system/StorageDirectoryCopier.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using testing::LogCapture;

constexpr const char* migrationFailure = "Failed to migrate storage directory: ";

void write(const fs::path& file, const std::string& contents) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << contents;
}

std::string read(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), {});
}

std::set<std::string> names(const fs::path& directory) {
    std::set<std::string> result;
    for (const auto& entry : fs::directory_iterator(directory))
        result.insert(entry.path().filename().string());
    return result;
}

class StorageDirectoryCopierTest : public ::testing::Test {
protected:
    bool copy() {
        StorageDirectoryCopier copier(clock_, stop_);
        return copier.copy(source(), target());
    }
    fs::path source() const { return directory_ / "old" / "QuorvaneData"; }
    fs::path target() const { return directory_ / "new" / "QuorvaneData"; }

    testing::TemporaryDirectory directory_;
    // Half a second past a whole second: backups carry the whole seconds only.
    FakeClock clock_{Date(1'750'000'000.5)};
    std::atomic<bool> stop_{false};
};

TEST_F(StorageDirectoryCopierTest, CopiesEveryEntryDeeplyKeepingModesAndLeavesTheSourceAsItWas) {
    write(source() / "clipboard_history.sqlite", "history");
    write(source() / "clipboard_search.sqlite", "index");
    write(source() / ".hidden", "hidden");
    write(source() / "attachments" / "nested" / "image.png", "pixels");
    fs::permissions(source() / "clipboard_history.sqlite", fs::perms::owner_read | fs::perms::owner_write);

    ASSERT_TRUE(copy());

    EXPECT_EQ(names(target()), (std::set<std::string>{"clipboard_history.sqlite", "clipboard_search.sqlite",
                                                      ".hidden", "attachments"}));
    EXPECT_EQ(read(target() / "attachments" / "nested" / "image.png"), "pixels");
    EXPECT_EQ(read(target() / "clipboard_history.sqlite"), "history");
    EXPECT_EQ(fs::status(target() / "clipboard_history.sqlite").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    // The target and its missing parents are private.
    EXPECT_EQ(fs::status(target()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(target().parent_path()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(names(source()), names(target()));
    EXPECT_EQ(read(source() / "clipboard_history.sqlite"), "history");
}

TEST_F(StorageDirectoryCopierTest, ExistingEntriesGoAsideAndEveryEarlierBackupStays) {
    write(source() / "clipboard_history.sqlite", "fresh");
    write(source() / "attachments" / "a", "fresh a");
    write(target() / "clipboard_history.sqlite", "older copy");
    write(target() / "clipboard_history.sqlite.backup_1700000000", "oldest copy");
    write(target() / "notes.backup_x", "placed by the user");
    write(target() / "attachments" / "b", "older b");
    write(target() / "unrelated.txt", "stays");

    ASSERT_TRUE(copy());

    EXPECT_EQ(names(target()),
              (std::set<std::string>{"clipboard_history.sqlite", "clipboard_history.sqlite.backup_1700000000",
                                     "clipboard_history.sqlite.backup_1750000000", "notes.backup_x",
                                     "attachments", "attachments.backup_1750000000", "unrelated.txt"}));
    EXPECT_EQ(read(target() / "clipboard_history.sqlite"), "fresh");
    EXPECT_EQ(read(target() / "clipboard_history.sqlite.backup_1750000000"), "older copy");
    EXPECT_EQ(read(target() / "clipboard_history.sqlite.backup_1700000000"), "oldest copy");
    // A folder goes aside whole and is not merged with the copy.
    EXPECT_EQ(names(target() / "attachments"), std::set<std::string>{"a"});
    EXPECT_EQ(read(target() / "attachments.backup_1750000000" / "b"), "older b");
    EXPECT_EQ(read(target() / "unrelated.txt"), "stays");

    // A second move within the same second: the first move's backup is not replaced.
    write(source() / "clipboard_history.sqlite", "fresher");
    ASSERT_TRUE(copy());
    EXPECT_EQ(read(target() / "clipboard_history.sqlite"), "fresher");
    EXPECT_EQ(read(target() / "clipboard_history.sqlite.backup_1750000000"), "older copy");
    EXPECT_EQ(read(target() / "clipboard_history.sqlite.backup_1750000000_2"), "fresh");
    EXPECT_EQ(read(target() / "clipboard_history.sqlite.backup_1700000000"), "oldest copy");
}

TEST_F(StorageDirectoryCopierTest, StaleLogFilesGoAsideWithTheirDatabase) {
    // A cleanly closed source has no log files; the target's stale ones would be replayed onto the copy.
    write(source() / "clipboard_history.sqlite", "closed cleanly");
    write(source() / "clipboard_search.sqlite", "index");
    write(source() / "clipboard_search.sqlite-wal", "live log");
    write(target() / "clipboard_history.sqlite", "older");
    write(target() / "clipboard_history.sqlite-wal", "older log");
    write(target() / "clipboard_history.sqlite-shm", "older shared memory");
    // A log whose database is missing from the target goes aside too.
    write(target() / "clipboard_search.sqlite-wal", "orphaned log");
    write(target() / "clipboard_search.sqlite-journal", "orphaned journal");

    ASSERT_TRUE(copy());

    EXPECT_EQ(names(target()), (std::set<std::string>{
                                   "clipboard_history.sqlite",
                                   "clipboard_history.sqlite.backup_1750000000",
                                   "clipboard_history.sqlite.backup_1750000000-wal",
                                   "clipboard_history.sqlite.backup_1750000000-shm",
                                   "clipboard_search.sqlite",
                                   "clipboard_search.sqlite-wal",
                                   "clipboard_search.sqlite.backup_1750000000-wal",
                                   "clipboard_search.sqlite.backup_1750000000-journal",
                               }));
    // Each backup keeps its own log under the name SQLite looks for beside it.
    EXPECT_EQ(read(target() / "clipboard_history.sqlite.backup_1750000000-wal"), "older log");
    EXPECT_EQ(read(target() / "clipboard_search.sqlite-wal"), "live log");
    EXPECT_EQ(read(target() / "clipboard_search.sqlite.backup_1750000000-wal"), "orphaned log");
}

TEST_F(StorageDirectoryCopierTest, SymbolicLinksAreCopiedAsLinksAndNeverFollowed) {
    write(directory_ / "elsewhere" / "private.txt", "must not be copied");
    write(source() / "clipboard_history.sqlite", "history");
    fs::create_directory_symlink(directory_ / "elsewhere", source() / "linked-folder");
    fs::create_symlink(directory_ / "elsewhere" / "private.txt", source() / "linked-file");
    fs::create_directory(source() / "sub");
    fs::create_directory_symlink(directory_ / "elsewhere", source() / "sub" / "deep-link");
    // A link already in the target is moved aside itself, not what it points to.
    fs::create_directories(target());
    fs::create_directory_symlink(directory_ / "elsewhere", target() / "linked-folder");

    ASSERT_TRUE(copy());

    for (const fs::path& link :
         {target() / "linked-folder", target() / "linked-file", target() / "sub" / "deep-link"}) {
        SCOPED_TRACE(link.string());
        EXPECT_TRUE(fs::is_symlink(link));
    }
    EXPECT_EQ(fs::read_symlink(target() / "linked-file"), directory_ / "elsewhere" / "private.txt");
    EXPECT_TRUE(fs::is_symlink(target() / "linked-folder.backup_1750000000"));
    EXPECT_EQ(names(directory_ / "elsewhere"), std::set<std::string>{"private.txt"});
}

TEST_F(StorageDirectoryCopierTest, TargetThatCannotBeWrittenFailsBeforeAnythingChanges) {
    write(source() / "clipboard_history.sqlite", "history");
    {
        // Below a regular file nothing can be created.
        write(directory_ / "plain-file", "a file");
        StorageDirectoryCopier copier(clock_, stop_);
        LogCapture log;
        EXPECT_FALSE(copier.copy(source(), directory_ / "plain-file" / "QuorvaneData"));
        EXPECT_TRUE(log.contains("ERROR", migrationFailure));
        // The cause in the system's words, for the alert.
        EXPECT_EQ(copier.failureCause(), "Not a directory");
    }
    // An existing target that refuses the write probe keeps its old copies and backups.
    write(target() / "clipboard_history.sqlite", "older copy");
    write(target() / "clipboard_history.sqlite.backup_1700000000", "oldest copy");
    testing::ReadOnlyDirectory readOnly(target());
    if (!readOnly.isEffective()) GTEST_SKIP() << "no way to make a directory read-only for this user";
    LogCapture log;
    EXPECT_FALSE(copy());
    EXPECT_TRUE(log.contains("ERROR", migrationFailure));
    EXPECT_EQ(names(target()), (std::set<std::string>{"clipboard_history.sqlite",
                                                      "clipboard_history.sqlite.backup_1700000000"}));
    EXPECT_EQ(read(source() / "clipboard_history.sqlite"), "history");
}

TEST_F(StorageDirectoryCopierTest, MissingSourceLeavesAnEmptyTargetOrReportsWhyItCouldNot) {
    ASSERT_TRUE(copy());
    EXPECT_TRUE(fs::is_directory(target()));
    EXPECT_TRUE(names(target()).empty());

    write(directory_ / "plain-file", "a file");
    StorageDirectoryCopier copier(clock_, stop_);
    LogCapture log;
    EXPECT_FALSE(copier.copy(source(), directory_ / "plain-file" / "QuorvaneData"));
    EXPECT_TRUE(log.contains("ERROR", "Failed to create destination directory: "));
    EXPECT_EQ(copier.failureCause(), "Not a directory");
}

TEST_F(StorageDirectoryCopierTest, OverlappingDirectoriesAreRefusedWithoutTouchingEither) {
    write(source() / "clipboard_history.sqlite", "history");
    fs::create_directory_symlink(source().parent_path(), directory_ / "alias");
    for (const fs::path& overlapping :
         {source(), source() / "QuorvaneData", source().parent_path(), directory_ / "alias" / "QuorvaneData",
          directory_ / "alias" / "QuorvaneData" / "inner" / "QuorvaneData"}) {
        SCOPED_TRACE(overlapping.string());
        EXPECT_TRUE(StorageDirectoryCopier::overlaps(source(), overlapping));
        StorageDirectoryCopier copier(clock_, stop_);
        LogCapture log;
        EXPECT_FALSE(copier.copy(source(), overlapping));
        EXPECT_TRUE(log.contains("ERROR", migrationFailure));
        EXPECT_EQ(names(source()), std::set<std::string>{"clipboard_history.sqlite"});
    }
    // Sharing a parent, or a name prefix, is no overlap.
    EXPECT_FALSE(StorageDirectoryCopier::overlaps(source(), directory_ / "old" / "QuorvaneData2"));
    EXPECT_FALSE(StorageDirectoryCopier::overlaps(source(), target()));
}

TEST_F(StorageDirectoryCopierTest, StopRequestEndsTheCopyQuietlyAndPipesAreLeftOut) {
    write(source() / "clipboard_history.sqlite", "history");
    ASSERT_EQ(::mkfifo((source() / "a-pipe").c_str(), 0600), 0);
    {
        LogCapture log;
        ASSERT_TRUE(copy());
        EXPECT_FALSE(fs::exists(target() / "a-pipe"));
        EXPECT_TRUE(log.contains("WARNING", "a-pipe"));
    }
    fs::remove_all(target());
    stop_.store(true);
    LogCapture log;
    EXPECT_FALSE(copy());
    EXPECT_FALSE(fs::exists(target() / "clipboard_history.sqlite"));
    EXPECT_EQ(log.count("Failed to migrate"), 0u);
}

TEST_F(StorageDirectoryCopierTest, AFullTargetSaysSoAndKeepsNoPartOfTheCopy) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system for the target needs root";
    const fs::path small = directory_ / "small";
    fs::create_directories(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=256k,mode=0700") != 0)
        GTEST_SKIP() << "no small file system could be mounted here: " << std::strerror(errno);
    write(source() / "a-small-file", "small");
    write(source() / "clipboard_history.sqlite", std::string(1 << 20, 'h'));
    // Already in the target: it goes aside before the copy and stays, the copy's own files go.
    write(small / "QuorvaneData" / "clipboard_history.sqlite", "older history");

    StorageDirectoryCopier copier(clock_, stop_);
    LogCapture log;
    const bool copied = copier.copy(source(), small / "QuorvaneData");
    const auto left = names(small / "QuorvaneData");
    const std::string failureCause = copier.failureCause();
    ::umount(small.c_str());

    EXPECT_FALSE(copied);
    EXPECT_EQ(failureCause, "No space left on device");
    EXPECT_TRUE(log.contains("ERROR", "No space left on device"));
    EXPECT_EQ(left, std::set<std::string>{"clipboard_history.sqlite.backup_1750000000"});
}

TEST_F(StorageDirectoryCopierTest, ATargetOthersCanWriteToIsRefusedBeforeAnythingIsCopied) {
    write(source() / "clipboard_history.sqlite", "history");
    fs::create_directories(target());
    fs::permissions(target(), fs::perms::owner_all | fs::perms::group_all | fs::perms::others_all);
    StorageDirectoryCopier copier(clock_, stop_);
    LogCapture log;
    EXPECT_FALSE(copier.copy(source(), target()));
    EXPECT_NE(copier.failureCause().find("can be written by other users"), std::string::npos)
        << copier.failureCause();
    EXPECT_TRUE(names(target()).empty());
}

}  // namespace
}  // namespace quorvane
