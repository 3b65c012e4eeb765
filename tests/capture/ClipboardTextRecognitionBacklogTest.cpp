#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "capture/ClipboardTextRecognitionBacklog.h"
#include "support/LogCapture.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

class ClipboardTextRecognitionBacklogTest : public ::testing::Test {
protected:
    testing::TemporaryDirectory folder_;
    testing::LogCapture log_;
};

TEST_F(ClipboardTextRecognitionBacklogTest, KeptIdsComeBackOnceInOrderFromAnOwnerOnlyFile) {
    ClipboardTextRecognitionBacklog backlog(folder_.path() / "backlog");
    EXPECT_TRUE(backlog.take().empty());
    backlog.keep({"b-2", "a-1", "c-3"});
    struct stat status {};
    ASSERT_EQ(::stat(backlog.file().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    // Another object on the same file, as after a restart.
    ClipboardTextRecognitionBacklog again(backlog.file());
    EXPECT_EQ(again.take(), (std::vector<std::string>{"b-2", "a-1", "c-3"}));
    EXPECT_TRUE(again.take().empty());
    EXPECT_FALSE(std::filesystem::exists(backlog.file()));

    backlog.keep({"x"});
    backlog.keep({});
    EXPECT_FALSE(std::filesystem::exists(backlog.file()));
    EXPECT_TRUE(log_.lines().empty());
}

TEST_F(ClipboardTextRecognitionBacklogTest, LinesThatAreNoIdsAreLeftOutAndFailedWritesAreLogged) {
    const auto file = folder_.path() / "backlog";
    {
        std::ofstream out(file);
        out << "first\n\n" << std::string(500, 'z') << "\nsecond";
    }
    ClipboardTextRecognitionBacklog backlog(file);
    EXPECT_EQ(backlog.take(), (std::vector<std::string>{"first", "second"}));

    // The storage folder's place is taken by a plain file: nothing can be kept there.
    std::ofstream(folder_.path() / "plain") << "x";
    ClipboardTextRecognitionBacklog unwritable(folder_.path() / "plain" / "backlog");
    unwritable.keep({"kept"});
    EXPECT_TRUE(log_.contains("ERROR", "Failed to keep 1 pictures waiting for text recognition"));
    EXPECT_TRUE(unwritable.take().empty());
}

}  // namespace
}  // namespace quorvane
