#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/TemporaryDirectory.h"
#include "system/StorageDirectoryLock.h"

namespace quorvane {
namespace {

// Another process on the same folder: a child that takes the lock, reports, and holds it until told to go.
class LockHoldingChild {
public:
    explicit LockHoldingChild(const std::filesystem::path& directory) {
        int toParent[2];
        int toChild[2];
        if (::pipe(toParent) != 0 || ::pipe(toChild) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            // Only the parent's ends stay open elsewhere, so the child sees the parent go.
            ::close(toParent[0]);
            ::close(toChild[1]);
            char answer = 'n';
            try {
                auto lock = StorageDirectoryLock::acquire(directory);
                answer = 'y';
                (void)::write(toParent[1], &answer, 1);
                char go;
                (void)::read(toChild[0], &go, 1);
            } catch (...) {
                (void)::write(toParent[1], &answer, 1);
            }
            ::_exit(0);
        }
        ::close(toParent[1]);
        ::close(toChild[0]);
        toChild_ = toChild[1];
        char answer = 'n';
        if (::read(toParent[0], &answer, 1) == 1) holds_ = answer == 'y';
        ::close(toParent[0]);
    }
    ~LockHoldingChild() {
        if (toChild_ >= 0) ::close(toChild_);
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    }
    bool holds() const { return holds_; }

private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    bool holds_ = false;
};

TEST(StorageDirectoryLockTest, OneHolderPerFolderUntilItLetsGo) {
    testing::TemporaryDirectory directory;
    {
        LockHoldingChild other(directory.path());
        ASSERT_TRUE(other.holds());
        try {
            StorageDirectoryLock::acquire(directory.path());
            ADD_FAILURE() << "two holders of one folder";
        } catch (const StorageDirectoryLockError& error) {
            EXPECT_NE(std::string(error.what())
                          .find("another Quorvane process is using the storage directory " +
                                directory.path().string()),
                      std::string::npos)
                << error.what();
            EXPECT_TRUE(error.heldElsewhere());
        }
    }
    // The other process is gone, and with it its lock.
    auto lock = StorageDirectoryLock::acquire(directory.path());
    ASSERT_NE(lock, nullptr);
    // Within one process too, a second holder is refused until the first lets go (a storage move).
    EXPECT_THROW(StorageDirectoryLock::acquire(directory.path()), StorageDirectoryLockError);
    lock.reset();
    EXPECT_NE(StorageDirectoryLock::acquire(directory.path()), nullptr);
    // A folder that does not exist cannot be locked.
    EXPECT_THROW(StorageDirectoryLock::acquire(directory.path() / "absent"), StorageDirectoryLockError);
    // ...and that is not another instance holding it.
    try {
        StorageDirectoryLock::acquire(directory.path() / "absent");
    } catch (const StorageDirectoryLockError& error) {
        EXPECT_FALSE(error.heldElsewhere()) << error.what();
    }
}

}  // namespace
}  // namespace quorvane
