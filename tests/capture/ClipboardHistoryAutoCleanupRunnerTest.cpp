#include <gtest/gtest.h>

#include <memory>

#include "capture/ClipboardHistoryAutoCleanupRunner.h"
#include "capture/support/RecordingClipboardHistoryRepository.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "preferences/SettingsAccessors.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

class ClipboardHistoryAutoCleanupRunnerTest : public ::testing::Test {
protected:
    FakeClock clock_;
    InMemoryUserDefaults defaults_;
    std::shared_ptr<testing::RecordingClipboardHistoryRepository> repository_ =
        std::make_shared<testing::RecordingClipboardHistoryRepository>();
    testing::LogCapture log_;
    ClipboardHistoryAutoCleanupRunner runner_{repository_, defaults_, 3600, [this] { return clock_.now(); }};
};

TEST_F(ClipboardHistoryAutoCleanupRunnerTest, NeverPolicyDeletesNothingAndRecordsNoRunEvenWhenForced) {
    EXPECT_EQ(runner_.runIfNeeded(ClipboardContentType::text, true), 0);
    defaults_.set(SettingsKey::imageAutoCleanupPolicy, "fortnight");  // unrecognised: never
    EXPECT_EQ(runner_.runIfNeeded(ClipboardContentType::image, true), 0);
    EXPECT_TRUE(repository_->expiryRequests.empty());
    EXPECT_EQ(runner_.lastCleanupDate(ClipboardContentType::text), std::nullopt);
    EXPECT_EQ(runner_.lastCleanupDate(ClipboardContentType::image), std::nullopt);
}

TEST_F(ClipboardHistoryAutoCleanupRunnerTest, CutoffIsNowMinusThePeriodOfTheTypesOwnPolicy) {
    defaults_.set(SettingsKey::textAutoCleanupPolicy, "ninetyDays");
    defaults_.set(SettingsKey::imageAutoCleanupPolicy, "sevenDays");
    runner_.runIfNeeded(ClipboardContentType::text, false);
    runner_.runIfNeeded(ClipboardContentType::image, false);
    ASSERT_EQ(repository_->expiryRequests.size(), 2u);
    EXPECT_EQ(repository_->expiryRequests[0].olderThan, clock_.now().addingTimeInterval(-7'776'000));
    EXPECT_EQ(repository_->expiryRequests[0].contentType, ClipboardContentType::text);
    EXPECT_EQ(repository_->expiryRequests[1].olderThan, clock_.now().addingTimeInterval(-604'800));
    EXPECT_EQ(repository_->expiryRequests[1].contentType, ClipboardContentType::image);
}

TEST_F(ClipboardHistoryAutoCleanupRunnerTest, UnforcedRunsWaitTheIntervalPerTypeAndForcedOnesDoNot) {
    defaults_.set(SettingsKey::textAutoCleanupPolicy, "oneDay");
    defaults_.set(SettingsKey::imageAutoCleanupPolicy, "oneDay");
    runner_.runIfNeeded(ClipboardContentType::text, false);
    clock_.advance(600);
    EXPECT_EQ(runner_.runIfNeeded(ClipboardContentType::text, false), 0);
    EXPECT_EQ(repository_->expiryRequests.size(), 1u);
    // The image type has its own clock.
    runner_.runIfNeeded(ClipboardContentType::image, false);
    EXPECT_EQ(repository_->expiryRequests.size(), 2u);

    repository_->expiredCount = 2;
    EXPECT_EQ(runner_.runIfNeeded(ClipboardContentType::text, true), 2);
    EXPECT_EQ(repository_->expiryRequests.size(), 3u);
    // The forced run restarted the wait.
    clock_.advance(3599);
    EXPECT_EQ(runner_.runIfNeeded(ClipboardContentType::text, false), 0);
    clock_.advance(1);
    EXPECT_EQ(runner_.runIfNeeded(ClipboardContentType::text, false), 2);
    EXPECT_EQ(repository_->expiryRequests.size(), 4u);
}

TEST_F(ClipboardHistoryAutoCleanupRunnerTest, RunThatDeletesNothingStillStartsTheWaitAndLogsNothing) {
    defaults_.set(SettingsKey::textAutoCleanupPolicy, "thirtyDays");
    EXPECT_EQ(runner_.runIfNeeded(ClipboardContentType::text, true), 0);
    EXPECT_EQ(runner_.lastCleanupDate(ClipboardContentType::text), std::optional<Date>(clock_.now()));
    EXPECT_TRUE(log_.lines().empty());
    clock_.advance(60);
    runner_.runIfNeeded(ClipboardContentType::text, false);
    EXPECT_EQ(repository_->expiryRequests.size(), 1u);
}

TEST_F(ClipboardHistoryAutoCleanupRunnerTest, DeletionsAreLoggedWithCountAndType) {
    defaults_.set(SettingsKey::imageAutoCleanupPolicy, "oneDay");
    repository_->expiredCount = 3;
    EXPECT_EQ(runner_.runIfNeeded(ClipboardContentType::image, true), 3);
    EXPECT_TRUE(log_.contains("INFO", "[ClipboardAutoCleanup] Auto-cleaned 3 image history items"));
    EXPECT_EQ(log_.lines().size(), 1u);
}

}  // namespace
}  // namespace quorvane
