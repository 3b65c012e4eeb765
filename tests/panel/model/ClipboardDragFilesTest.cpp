#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <fstream>
#include <regex>

#include "base/PrivateDirectory.h"
#include "panel/model/ClipboardDragEndCopyCompletion.h"
#include "panel/model/ClipboardDragFiles.h"
#include "panel/support/PanelViewModelFixture.h"
#include "support/LogCapture.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

const Data kPng{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};

void touch(const std::filesystem::path& path, double modifiedAt) {
    std::ofstream(path) << "x";
    struct utimbuf times {};
    times.actime = static_cast<time_t>(modifiedAt);
    times.modtime = static_cast<time_t>(modifiedAt);
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
}

TEST(ClipboardDragFilesTest, TheStemKeepsTwelveFileNameCharactersOfTheId) {
    EXPECT_EQ(dragFileStem("E621E1F8-C36C-495A-93FC-0C247A3E6E5F"), "E621E1F8-C36");
    EXPECT_EQ(dragFileStem("a/b\\c d.e_f"), "abcde_f");
    EXPECT_EQ(dragFileStem("../../"), "item");
    EXPECT_EQ(dragFileStem("剪贴板"), "item");
    EXPECT_EQ(dragFileStem("é1"), "1") << "bytes of non-ASCII letters are not file-name characters";
}

TEST(ClipboardDragFilesTest, ImagesAreWrittenPrivatelyUnderUnguessableNames) {
    testing::TemporaryDirectory temporary;
    const auto folder = ensurePrivateDirectory(temporary / "drag");
    const auto first = writeDragImageFile(folder, "../E621E1F8-C36C", kPng, "png");
    const auto second = writeDragImageFile(folder, "../E621E1F8-C36C", kPng, "png");
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    EXPECT_EQ(first->parent_path(), folder);
    EXPECT_TRUE(
        std::regex_match(first->filename().string(), std::regex("Quorvane_E621E1F8-C36_[0-9A-F]{8}\\.png")))
        << first->filename();
    struct stat info {};
    ASSERT_EQ(::stat(first->c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(static_cast<std::size_t>(info.st_size), kPng.size());
}

TEST(ClipboardDragFilesTest, AVanishedFolderIsMadeAgainAndAnUnusableOneIsLogged) {
    testing::TemporaryDirectory temporary;
    const auto folder = temporary / "drag";
    EXPECT_TRUE(writeDragImageFile(folder, "id", kPng, "png"));
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    testing::LogCapture log;
    std::ofstream(temporary / "file") << "x";
    EXPECT_FALSE(writeDragImageFile(temporary / "file" / "drag", "id", kPng, "png"));
    EXPECT_TRUE(log.contains("ERROR", "[ClipboardResultListView] Failed to prepare drag image file: "));
}

TEST(ClipboardDragFilesTest, TheCleanUpRemovesFilesOlderThanADayOnly) {
    testing::TemporaryDirectory temporary;
    const double now = 1'700'000'000;
    touch(temporary / "old.png", now - 86400 - 5);
    touch(temporary / "young.png", now - 86400 + 5);
    touch(temporary / ".hidden", now - 10 * 86400);
    std::filesystem::create_directory(temporary / "folder");
    EXPECT_EQ(removeOldDragFiles(temporary.path(), Date(now)), 1u);
    EXPECT_FALSE(std::filesystem::exists(temporary / "old.png"));
    EXPECT_TRUE(std::filesystem::exists(temporary / "young.png"));
    EXPECT_TRUE(std::filesystem::exists(temporary / ".hidden"));
    EXPECT_TRUE(std::filesystem::exists(temporary / "folder"));
    EXPECT_EQ(removeOldDragFiles(temporary / "missing", Date(now)), 0u);
}

TEST(ClipboardDragFilesTest, OpenWithFilesGoAfterADayButTheInstanceFilesBesideThemStay) {
    testing::TemporaryDirectory runtime;
    const double now = 1'700'000'000;
    touch(runtime / "Quorvane_3F2A.txt", now - 2 * 86400);
    touch(runtime / "Quorvane_9B1C.png", now - 3600);
    // The lock and socket of a long-running instance are as old, and must stay.
    touch(runtime / "instance.lock", now - 30 * 86400);
    touch(runtime / "quorvane.socket", now - 30 * 86400);
    EXPECT_EQ(removeOldDragFiles(runtime.path(), Date(now), openWithFilePrefix), 1u);
    EXPECT_FALSE(std::filesystem::exists(runtime / "Quorvane_3F2A.txt"));
    EXPECT_TRUE(std::filesystem::exists(runtime / "Quorvane_9B1C.png"));
    EXPECT_TRUE(std::filesystem::exists(runtime / "instance.lock"));
    EXPECT_TRUE(std::filesystem::exists(runtime / "quorvane.socket"));
}

class DragEndCopyCompletionTest : public testing::PanelViewModelFixture {};

TEST_F(DragEndCopyCompletionTest, OnlyAFailedCopyRecordsTheUseAndReloads) {
    const auto entry = testing::textEntry("e1");
    completeDragEndCopy(true, *viewModel, entry);
    loop.runUntilIdle();
    EXPECT_TRUE(history->usedIds.empty());
    EXPECT_TRUE(search->calls.empty());

    completeDragEndCopy(false, *viewModel, entry);
    loop.runUntilIdle();
    EXPECT_EQ(history->usedIds, std::vector<std::string>{"e1"});
    EXPECT_EQ(search->calls.size(), 1u);
}

}  // namespace
}  // namespace quorvane
