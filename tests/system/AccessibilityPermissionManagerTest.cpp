#include <gtest/gtest.h>

#include <memory>

#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryAccessibilityTrust.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "system/AccessibilityPermissionManager.h"

namespace quorvane {
namespace {

class AccessibilityPermissionManagerTest : public ::testing::Test {
protected:
    std::unique_ptr<AccessibilityPermissionManager> makeManager() {
        return std::make_unique<AccessibilityPermissionManager>(defaults_, loop_, trust_, workspace_);
    }

    FakeClock clock_;
    ManualRunLoop loop_{clock_};
    InMemoryUserDefaults defaults_;
    InMemoryAccessibilityTrust trust_;
    RecordingWorkspaceOpener workspace_;
};

TEST_F(AccessibilityPermissionManagerTest, TrustWinsOverTheRequestFlag) {
    auto manager = makeManager();
    trust_.setTrusted(true);
    EXPECT_EQ(manager->status(), AccessibilityPermissionStatus::authorized);
    defaults_.set("AccessibilityPermissionPromptRequested", true);
    EXPECT_EQ(manager->status(), AccessibilityPermissionStatus::authorized);
    EXPECT_TRUE(manager->isTrusted());
}

TEST_F(AccessibilityPermissionManagerTest, StatusMovesFromNotDeterminedToDeniedToAuthorizedWithoutCaching) {
    auto manager = makeManager();
    EXPECT_EQ(manager->status(), AccessibilityPermissionStatus::notDetermined);
    EXPECT_FALSE(manager->hasRequestedPermission());

    manager->requestPermission();
    EXPECT_EQ(manager->status(), AccessibilityPermissionStatus::denied);
    EXPECT_EQ(defaults_.boolValue("AccessibilityPermissionPromptRequested"), std::optional<bool>(true));

    trust_.setTrusted(true);
    EXPECT_EQ(manager->status(), AccessibilityPermissionStatus::authorized);
    trust_.setTrusted(false);
    EXPECT_EQ(manager->status(), AccessibilityPermissionStatus::denied);
}

TEST_F(AccessibilityPermissionManagerTest, FlagOfAnotherTypeCountsAsNotRequested) {
    defaults_.set("AccessibilityPermissionPromptRequested", "yes");
    EXPECT_EQ(makeManager()->status(), AccessibilityPermissionStatus::notDetermined);
}

TEST_F(AccessibilityPermissionManagerTest, RequestWritesTheFlagBeforeAskingWithThePromptOption) {
    std::optional<bool> flagSeenByRequester;
    DefaultsValue::Dictionary optionsSeen;
    AccessibilityPermissionManager manager(
        defaults_, loop_, [] { return false; },
        [&](const DefaultsValue::Dictionary& options) {
            flagSeenByRequester = defaults_.boolValue("AccessibilityPermissionPromptRequested");
            optionsSeen = options;
            return false;
        },
        [](const std::string&) {});
    manager.requestPermission();
    EXPECT_EQ(flagSeenByRequester, std::optional<bool>(true));
    ASSERT_EQ(optionsSeen.size(), 1u);
    EXPECT_EQ(optionsSeen.at(AccessibilityPermissionManager::promptOptionKey).boolValue(),
              std::optional<bool>(true));
}

TEST_F(AccessibilityPermissionManagerTest, RequestAsksTheDesktopAndOpensTheSettingsOnceHalfASecondLater) {
    auto manager = makeManager();
    trust_.setGrantsOnRequest(true);
    manager->requestPermission();
    EXPECT_EQ(trust_.requestCount(), 1);

    loop_.advance(0.49);
    EXPECT_TRUE(workspace_.openedURLs.empty());
    loop_.advance(0.02);
    // Opened whether or not the grant came meanwhile.
    EXPECT_EQ(workspace_.openedURLs,
              std::vector<std::string>{AccessibilityPermissionManager::systemSettingsURL});
    loop_.advance(5);
    EXPECT_EQ(workspace_.openedURLs.size(), 1u);
}

TEST_F(AccessibilityPermissionManagerTest, EveryRequestOpensTheSettingsOnce) {
    auto manager = makeManager();
    manager->requestPermission();
    loop_.advance(0.3);
    manager->requestPermission();
    loop_.advance(0.25);
    EXPECT_EQ(workspace_.openedURLs.size(), 1u);
    loop_.advance(0.3);
    EXPECT_EQ(workspace_.openedURLs.size(), 2u);
    EXPECT_EQ(loop_.pendingCount(), 0u);
}

TEST_F(AccessibilityPermissionManagerTest, ReleasedManagerOpensNothing) {
    auto manager = makeManager();
    manager->requestPermission();
    manager.reset();
    loop_.advance(1);
    EXPECT_TRUE(workspace_.openedURLs.empty());
    // The flag stays set for good.
    EXPECT_EQ(makeManager()->status(), AccessibilityPermissionStatus::denied);
}

TEST_F(AccessibilityPermissionManagerTest, OpenSystemSettingsPassesExactlyTheSettingsURLAndSkipsEmptyURLs) {
    std::vector<std::string> opened;
    AccessibilityPermissionManager manager(
        defaults_, loop_, [] { return true; }, [](const DefaultsValue::Dictionary&) { return true; },
        [&](const std::string& url) { opened.push_back(url); }, "CustomPromptKey");
    manager.openSystemSettings();
    manager.openURL("");
    manager.openURL("https://example.org/help");
    EXPECT_EQ(opened, (std::vector<std::string>{"settings://accessibility", "https://example.org/help"}));
    manager.requestPermission();
    EXPECT_EQ(defaults_.boolValue("CustomPromptKey"), std::optional<bool>(true));
    EXPECT_FALSE(defaults_.contains("AccessibilityPermissionPromptRequested"));
}

TEST_F(AccessibilityPermissionManagerTest, SettingsCanBeOpenedOnlyWhereTheWorkspaceHasThem) {
    auto manager = makeManager();
    EXPECT_TRUE(manager->canOpenSystemSettings());
    workspace_.unopenableURLs = {AccessibilityPermissionManager::systemSettingsURL};
    EXPECT_FALSE(manager->canOpenSystemSettings());
    workspace_.unopenableURLs = {"https://example.org"};
    EXPECT_TRUE(manager->canOpenSystemSettings());
}

TEST_F(AccessibilityPermissionManagerTest, RequesterOnlyAsksTheDesktopWithThePromptOption) {
    auto requester = AccessibilityPermissionManager::requesterFor(trust_);
    trust_.setGrantsOnRequest(true);
    EXPECT_FALSE(requester({}));
    EXPECT_FALSE(requester({{AccessibilityPermissionManager::promptOptionKey, false}}));
    EXPECT_EQ(trust_.requestCount(), 0);
    EXPECT_TRUE(requester({{AccessibilityPermissionManager::promptOptionKey, true}}));
    EXPECT_EQ(trust_.requestCount(), 1);
}

}  // namespace
}  // namespace quorvane
