#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <thread>

#include "platform/linux/SingleInstanceGuard.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

class SingleInstanceGuardTest : public ::testing::Test {
protected:
    void pumpUntil(const std::function<bool()>& done) {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!done() && elapsed.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    int argc_ = 1;
    char name_[16] = "tests_platform";
    char* argv_[2] = {name_, nullptr};
    QCoreApplication application_{argc_, argv_};
    testing::TemporaryDirectory directory_;
};

TEST_F(SingleInstanceGuardTest, ALaterInstanceAsksTheFirstToReopenAndStepsAside) {
    int reopens = 0;
    auto first = SingleInstanceGuard::acquire(directory_.path(), [&] { ++reopens; });
    ASSERT_NE(first, nullptr);

    // The request is sent from another thread, as from another process: the first answers on its own loop.
    std::unique_ptr<SingleInstanceGuard> second;
    std::atomic<bool> secondDone = false;
    std::unique_ptr<QThread> launcher(QThread::create([&] {
        second = SingleInstanceGuard::acquire(directory_.path(), [] {});
        secondDone = true;
    }));
    launcher->start();
    pumpUntil([&] { return secondDone && reopens > 0; });
    launcher->wait();
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(reopens, 1);

    // Once the first is gone, the next launch becomes the instance, despite the socket file left behind.
    first.reset();
    auto next = SingleInstanceGuard::acquire(directory_.path(), [] {});
    EXPECT_NE(next, nullptr);
}

TEST_F(SingleInstanceGuardTest, AnUnusableFolderIsAnError) {
    EXPECT_THROW(SingleInstanceGuard::acquire(directory_ / "missing", [] {}), std::system_error);
}

}  // namespace
}  // namespace quorvane
