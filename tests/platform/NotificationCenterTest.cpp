#include <gtest/gtest.h>

#include <vector>

#include "base/CallbackList.h"
#include "platform/NotificationCenter.h"
#include "platform/memory/ManualRunLoop.h"

namespace quorvane {
namespace {

class NotificationCenterTest : public ::testing::Test {
protected:
    FakeClock clock;
    ManualRunLoop loop{clock};
    NotificationCenter center{loop};
};

TEST_F(NotificationCenterTest, DeliversByNameOnALaterTurnOfTheMainLoop) {
    int changes = 0;
    int language = 0;
    auto a = center.addObserver("Quorvane.ClipboardHistoryDidChange", [&] { ++changes; });
    auto b = center.addObserver("Quorvane.AppLanguageDidChange", [&] { ++language; });
    center.post("Quorvane.ClipboardHistoryDidChange");
    EXPECT_EQ(changes, 0);
    loop.runUntilIdle();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(language, 0);
}

TEST_F(NotificationCenterTest, RemovedObserversAreNotCalledEvenForPendingPosts) {
    int calls = 0;
    auto observation = center.addObserver("n", [&] { ++calls; });
    center.post("n");
    observation.reset();
    loop.runUntilIdle();
    EXPECT_EQ(calls, 0);

    NotificationObservation second;
    auto first = center.addObserver("n", [&] { second.reset(); });
    second = center.addObserver("n", [&] { ++calls; });
    center.post("n");
    loop.runUntilIdle();
    EXPECT_EQ(calls, 0);
}

TEST_F(NotificationCenterTest, UserInfoReachesObserversThatAskForIt) {
    std::vector<NotificationUserInfo> seen;
    int plain = 0;
    auto reader =
        center.addObserver("n", [&](const NotificationUserInfo& userInfo) { seen.push_back(userInfo); });
    auto other = center.addObserver("n", [&] { ++plain; });
    center.post("n", {{"language", "zh-Hans"}});
    center.post("n");
    loop.runUntilIdle();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], (NotificationUserInfo{{"language", "zh-Hans"}}));
    EXPECT_TRUE(seen[1].empty());
    EXPECT_EQ(plain, 2);
}

TEST(CallbackListTest, SubscriptionsEndWithTheirTokenAndMayOutliveTheList) {
    Subscription survivor;
    int total = 0;
    {
        CallbackList<int> list;
        auto one = list.subscribe([&](int v) { total += v; });
        survivor = list.subscribe([&](int v) { total += 10 * v; });
        list.notify(1);
        EXPECT_EQ(total, 11);
        one.reset();
        list.notify(1);
        EXPECT_EQ(total, 21);
        EXPECT_EQ(list.size(), 1u);
    }
    survivor.reset();  // the list is gone: must not touch freed memory (checked under AddressSanitizer)
}

}  // namespace
}  // namespace quorvane
