#include <gtest/gtest.h>

#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

#include "base/ExclusiveFileLock.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

TEST(ExclusiveFileLockTest, SimultaneousAttemptsLeaveExactlyOneHolderUntilItLetsGo) {
    testing::TemporaryDirectory directory;
    const auto path = directory / "instance.lock";
    constexpr int kAttempts = 8;
    std::vector<std::optional<ExclusiveFileLock>> locks(kAttempts);
    std::atomic<int> ready = 0;
    std::vector<std::thread> attempts;
    for (int i = 0; i < kAttempts; ++i) {
        attempts.emplace_back([&, i] {
            ++ready;
            while (ready < kAttempts) std::this_thread::yield();
            locks[i] = ExclusiveFileLock::tryAcquire(path);
        });
    }
    for (auto& attempt : attempts) attempt.join();
    int holders = 0;
    for (const auto& lock : locks) holders += lock.has_value();
    EXPECT_EQ(holders, 1);

    EXPECT_FALSE(ExclusiveFileLock::tryAcquire(path).has_value());
    locks.clear();  // the holder lets go
    auto next = ExclusiveFileLock::tryAcquire(path);
    EXPECT_TRUE(next.has_value());
    // Moving the lock keeps it held.
    ExclusiveFileLock moved = std::move(*next);
    next.reset();
    EXPECT_FALSE(ExclusiveFileLock::tryAcquire(path).has_value());
}

TEST(ExclusiveFileLockTest, AMissingFolderOrALinkIsAnError) {
    testing::TemporaryDirectory directory;
    EXPECT_THROW(ExclusiveFileLock::tryAcquire(directory / "missing" / "instance.lock"), std::system_error);
    std::filesystem::create_symlink(directory / "elsewhere", directory / "link.lock");
    EXPECT_THROW(ExclusiveFileLock::tryAcquire(directory / "link.lock"), std::system_error);
}

}  // namespace
}  // namespace quorvane
